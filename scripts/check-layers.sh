#!/usr/bin/env bash
# Keeps the folders of src/ layered: no folder includes from a folder that
# includes from it (directly or round about), the domain folders include no
# window folder and not the program, and the command-line tool no window folder.
set -euo pipefail
cd "$(dirname "$0")/../src"

domain="core board settings net"
windows="ui settings/ui net/ui view app"

# One "from to" line per include that crosses folders.
edges=$(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort | while read -r file; do
    from=$(dirname "$file")
    grep -hoE '^#include "[a-z]+(/[a-z]+)*/[A-Za-z0-9_]+\.h"' "$file" | sed -E 's/^#include "(.*)\/[^/]*"$/\1/' |
        while read -r to; do
            [ "$to" != "$from" ] && echo "$from $to"
        done
done | sort -u)

status=0
fail() { echo "check-layers: $*" >&2; status=1; }

for from in $domain; do
    for to in $windows; do
        grep -qx "$from $to" <<<"$edges" && fail "domain folder $from includes from $to"
    done
done
for to in $windows; do
    grep -qx "cli $to" <<<"$edges" && fail "cli includes from the window folder $to"
done
if ! loop=$(tsort <<<"$edges" 2>&1 >/dev/null); then
    fail "the folders include one another in a cycle:"
    grep -v 'input contains a loop' <<<"$loop" | sed 's/^tsort: /  /' >&2
fi
[ $status -eq 0 ] && echo "check-layers: $(wc -l <<<"$edges") folder dependencies, no cycle"
exit $status
