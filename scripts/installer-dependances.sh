#!/usr/bin/env bash
# Installs, as root on Debian 12, every package the build, the program and the tests need.
set -euo pipefail
paquets=(
    build-essential cmake ninja-build pkg-config clang-format dpkg-dev file lintian
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlcipher-dev sqlcipher libssl-dev libpugixml-dev libcurl4-openssl-dev libharfbuzz-dev
    libpq-dev postgresql
    googletest libgtest-dev
    python3 python3-aiosmtpd openssl dovecot-imapd
    xvfb xauth openbox xdotool wmctrl x11-utils
    cups cups-client cups-bsd printer-driver-cups-pdf
    poppler-utils qpdf fonts-dejavu-core fonts-dejavu-extra fonts-symbola fonts-urw-base35 imagemagick locales
    qt6-translations-l10n
    g++-mingw-w64-x86-64-posix
)
manquants=()
for paquet in "${paquets[@]}"; do
    dpkg-query -W -f='${Status}' "$paquet" 2>/dev/null | grep -q "ok installed" || manquants+=("$paquet")
done
if ((${#manquants[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${manquants[@]}"
fi
# The sample data and the users' desktops use French regional settings; the data and job file
# tests also run under English (US) and German ones.
regionaux_manquants=()
for regional in fr_FR en_US de_DE; do
    if ! locale -a 2>/dev/null | grep -qi "^${regional}\.utf-\?8$"; then
        grep -q "^${regional}.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null ||
            echo "${regional}.UTF-8 UTF-8" >> /etc/locale.gen
        regionaux_manquants+=("$regional")
    fi
done
if ((${#regionaux_manquants[@]})); then
    locale-gen >/dev/null
fi
