#!/usr/bin/env bash
# Starts the CUPS scheduler (when it is not running) and makes sure the PDF printer queue
# "StowkeepPDF" exists, so that the printing tests print through a real queue. Works as root
# on a machine where no service manager runs: cupsd is started directly. Safe to run again.
#
# The queue writes each job as a PDF file into the folder cups-pdf.conf names ("Out",
# ${HOME}/PDF of the submitting user by default); the tests read it from there.
set -euo pipefail

QUEUE=StowkeepPDF

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
  echo "start-cups: cupsd or lpadmin missing (run scripts/install-deps.sh)" >&2
  exit 1
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
  $SUDO mkdir -p /run/cups /var/spool/cups /var/cache/cups /var/log/cups
  # Without -f cupsd puts itself in the background.
  $SUDO cupsd
  for _ in $(seq 1 100); do
    lpstat -r 2>/dev/null | grep -q 'is running' && break
    sleep 0.1
  done
fi
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
  echo "start-cups: the CUPS scheduler did not start" >&2
  exit 1
fi

if ! lpstat -p "$QUEUE" >/dev/null 2>&1; then
  # The PPD's name differs between versions of the driver package: take the one installed.
  ppd=$(lpinfo -m 2>/dev/null | awk '/CUPS-PDF_opt\.ppd/ {print $1; exit}')
  [ -n "$ppd" ] || ppd=$(lpinfo -m 2>/dev/null | awk '/[Cc][Uu][Pp][Ss]-[Pp][Dd][Ff]/ {print $1; exit}')
  if [ -z "$ppd" ]; then
    echo "start-cups: no cups-pdf PPD found (printer-driver-cups-pdf missing?)" >&2
    exit 1
  fi
  $SUDO lpadmin -p "$QUEUE" -E -v cups-pdf:/ -m "$ppd"
fi
# The queue turns the program's PDF into PostScript for cups-pdf; the cairo renderer keeps
# the text of the pages readable in the PDF that comes out (the others draw it as glyphs
# without their characters), so tests can read the printed pages back with pdftotext.
$SUDO lpadmin -p "$QUEUE" -o pdftops-renderer-default=pdftocairo
# A queue left stopped by an earlier failed job takes no more jobs until enabled again.
$SUDO cupsenable "$QUEUE" 2>/dev/null || true
$SUDO cupsaccept "$QUEUE" 2>/dev/null || true
# Reports print on the default printer: make the queue the default when there is none.
lpstat -d 2>/dev/null | grep -q 'system default destination:' || $SUDO lpadmin -d "$QUEUE"
lpstat -p "$QUEUE"
