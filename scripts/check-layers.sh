#!/bin/sh
# Fails when a product file includes from a later layer. The layers, lowest
# first: a folder includes only from itself and the folders before it, and
# any of them may include resources/resource.h (ids only). Tests and
# generated files stand outside the order.
set -eu
cd "$(dirname "$0")/.."
layers="framework platform settings controls dialog applet"

grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' $layers resources |
awk -v layers="$layers" '
BEGIN { n = split(layers, name, " "); for (i = 1; i <= n; i++) rank[name[i]] = i }
{
    file = $0; sub(/:.*/, "", file)
    from = file; sub(/\/.*/, "", from)
    header = $0; sub(/^[^"]*"/, "", header); sub(/".*/, "", header)
    to = header
    if (index(to, "/")) sub(/\/.*/, "", to); else to = from
    if (to == from || header == "resources/resource.h" || (to in rank && rank[to] < rank[from]))
        next
    where = $0; sub(/^[^:]*:/, "", where); sub(/:.*/, "", where)
    printf "%s:%s: includes \"%s\", which is not below %s/\n", file, where, header, from
    bad = 1
}
END { exit bad }'
