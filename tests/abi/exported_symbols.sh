#!/usr/bin/env bash
# The shared library exports exactly the functions its public header declares.
set -euo pipefail
library=$1
header=$2
expected=$(grep -E '^KELVODRV_API ' "$header" | grep -oE '[A-Za-z_][A-Za-z0-9_]*\(' | tr -d '(' | sort)
exported=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TWDBRV]$/ {print $3}' | sort)
if [ "$expected" != "$exported" ]; then
    echo "exported symbols differ from the public header:"
    diff <(echo "$expected") <(echo "$exported") || true
    exit 1
fi
echo "$(echo "$exported" | wc -l) symbols, exactly the public header's"
