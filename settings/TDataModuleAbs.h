#pragma once

// The settings store: one encrypted single-file database shared by every window of the program.
// Creating it does not open the database.
class TDataModuleAbs {
public:
    TDataModuleAbs() = default;
    TDataModuleAbs(const TDataModuleAbs&) = delete;
    TDataModuleAbs& operator=(const TDataModuleAbs&) = delete;
};
