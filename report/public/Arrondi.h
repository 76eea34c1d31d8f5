#pragma once

// To the nearest of n decimals, halves away from zero, as the figure reads in decimals: 465,505
// gives 465,51 although its nearest double lies just below. A zero is never negative. Every
// figure the module prints or exports is rounded so.
double ArrondiDecimal(double nombre, int n);
