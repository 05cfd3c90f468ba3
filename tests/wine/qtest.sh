#!/bin/sh
# Runs a Qt test program under Wine and prints its log: what Qt Test writes to its standard
# output never reaches a pipe there (a plain program's does), so CTest would show nothing.
log=$(mktemp)
test=$1
shift
wine "$test" -o "Z:$log,txt" "$@"
status=$?
cat "$log"
rm -f "$log"
exit $status
