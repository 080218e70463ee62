#!/bin/bash
# Checks every table family below a folder with the independent checker.
#   check_tables.sh PXINSPECT.py FOLDER
# Skips (exit 0 with a message) where the checker or python3 is absent.
set -u
checker=$1 folder=$2
if [[ ! -f $checker ]] || ! command -v python3 >/dev/null; then
  echo "check_tables: $checker or python3 is absent: skipped"
  exit 0
fi
tables=$(find "$folder" -iname '*.db' | sort)
[[ -n $tables ]] || { echo "check_tables: no table below $folder" >&2; exit 1; }
status=0
while read -r table; do
  python3 "$checker" family "$table" || status=1
done <<<"$tables"
exit $status
