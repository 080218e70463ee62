#!/bin/bash
# Prints what an install wrote into the estimating application's folders: the rows the
# install added to the management table M6hink.DB, the files of each destination folder,
# and `pdxtool check` of every table written.
#
#   show-install.sh PDXTOOL DATA0 DATA1 ROWS_BEFORE DESTINATION...
#
# ROWS_BEFORE is the number of rows M6hink.DB held before the install. Exits non-zero
# when a check finds a problem.
set -u
pdxtool=$1 data0=$2 data1=$3 rows_before=$4
shift 4

echo "== M6hink.DB: the rows the install added"
"$pdxtool" dump "$data0/M6hink.DB" | awk -v before="$rows_before" -F: '/^[0-9]+:/ && $1 > before'

status=0
tables=("$data0/M6hink.DB" "$data1/M7HINCD.DB")
for destination in "$@"; do
    echo "== $destination"
    ls -l --time-style=+ "$destination" | awk 'NR > 1 {printf "  %10d  %s\n", $5, $NF}'
    for table in "$destination"/*.DB; do
        [[ -e $table ]] && tables+=("$table")
    done
done

echo "== pdxtool check"
for table in "${tables[@]}"; do
    "$pdxtool" check "$table" | tail -n1 | sed 's/^/  /'
    ((PIPESTATUS[0] == 0)) || status=1
done
exit $status
