#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are not installed yet.
# Idempotent; runs as root directly, through sudo otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing_plain=()
missing_norec=()
while read -r name flag; do
  case "$name" in ''|'#'*) continue ;; esac
  if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
    continue
  fi
  if [ "${flag:-}" = norec ]; then missing_norec+=("$name"); else missing_plain+=("$name"); fi
done <"$here/packages.txt"

if [ ${#missing_plain[@]} -eq 0 ] && [ ${#missing_norec[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing_plain[*]} ${missing_norec[*]}"
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -q
if [ ${#missing_plain[@]} -gt 0 ]; then
  as_root apt-get install -y -q "${missing_plain[@]}"
fi
if [ ${#missing_norec[@]} -gt 0 ]; then
  as_root apt-get install -y -q --no-install-recommends "${missing_norec[@]}"
fi
