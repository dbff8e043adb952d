#!/usr/bin/env bash
# A private CUPS scheduler for the integration tests: its own folder, its own
# socket, two queues that print into files. Never touches the system's CUPS.
#   private-cupsd.sh start DIR    start it and add the queues
#   private-cupsd.sh stop DIR     stop it
set -euo pipefail
cmd=$1
dir=$2

case "$cmd" in
start)
  rm -rf "$dir"
  mkdir -p "$dir"/{conf/ppd,spool,cache,state,log,out,bin/backend}
  # A backend that keeps each job's bytes: out/<queue>-<job>.prn.
  cat >"$dir/bin/backend/capture" <<BACKEND
#!/bin/sh
if [ \$# -eq 0 ]; then echo 'direct capture "Unknown" "Capture to a file"'; exit 0; fi
if [ -n "\$6" ]; then cat "\$6"; else cat; fi >"$dir/out/.\$PRINTER-\$1.part" && mv "$dir/out/.\$PRINTER-\$1.part" "$dir/out/\$PRINTER-\$1.prn"
BACKEND
  chmod 0700 "$dir/bin/backend/capture"
  for part in daemon filter cgi-bin monitor notifier; do
    ln -s "/usr/lib/cups/$part" "$dir/bin/$part"
  done
  cat >"$dir/conf/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$dir/conf/cups-files.conf" <<CONF
ServerBin $dir/bin
ServerRoot $dir/conf
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/spool
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
User lp
Group lp
Sandboxing Relaxed
CONF
  chmod -R a+rwX "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/out"
  cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  for _ in $(seq 100); do
    [ -S "$dir/cups.sock" ] && break
    sleep 0.1
  done
  export CUPS_SERVER="$dir/cups.sock"
  # Queue names may hold commas; the device string must survive that.
  lpadmin -p 'Floor2,east' -E -v "capture:/floor2" -m raw 2>/dev/null
  lpadmin -p Office -E -v "capture:/office" -m raw 2>/dev/null
  lpadmin -d Office
  ;;
stop)
  if [ -f "$dir/cupsd.pid" ]; then
    kill "$(cat "$dir/cupsd.pid")" 2>/dev/null || true
    rm -f "$dir/cupsd.pid"
  fi
  ;;
esac
