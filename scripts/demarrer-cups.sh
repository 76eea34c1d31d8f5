#!/usr/bin/env bash
# Starts, as root, a CUPS scheduler listening on loopback only, with a PDF printer of the
# printer-driver-cups-pdf package made the system's default. Does nothing that is already done.
# A scheduler it starts has its process number in /run/vantaro-cups/cupsd.pid, for
# arreter-cups.sh; one that was running already is left to whoever started it.
#
#   demarrer-cups.sh [queue]    (queue "Vantaro_PDF" unless given)
set -euo pipefail
file=${1:-Vantaro_PDF}

en_marche() { [[ $(lpstat -r 2>/dev/null) == "scheduler is running" ]]; }

if ! en_marche; then
    dossier=/run/vantaro-cups
    mkdir -p "$dossier" /run/cups
    cat >"$dossier/cupsd.conf" <<'CONF'
LogLevel warn
Listen 127.0.0.1:631
Listen /run/cups/cups.sock
Browsing Off
DefaultAuthType Basic
WebInterface No
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default
  SubscriptionPrivateAccess default
  SubscriptionPrivateValues default
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    # In the foreground of a session of its own, so that its process number is known.
    setsid cupsd -f -c "$dossier/cupsd.conf" </dev/null >>"$dossier/cupsd.log" 2>&1 &
    echo $! >"$dossier/cupsd.pid"
    for _ in $(seq 50); do
        en_marche && break
        sleep 0.2
    done
    en_marche || { echo "cupsd ne démarre pas" >&2; exit 1; }
fi

if ! lpstat -v "$file" >/dev/null 2>&1; then
    lpadmin -p "$file" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
fi
# The PostScript that cups-pdf takes keeps the texts readable only when cairo writes it.
lpadmin -p "$file" -o pdftops-renderer-default=pdftocairo
lpadmin -d "$file"
cupsenable "$file"
cupsaccept "$file"
