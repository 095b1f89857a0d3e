#!/usr/bin/env bash
# The driver's layers only look down: command, reports, device, transport,
# files, core. A file includes headers of its own layer and of those below.
set -euo pipefail
cd "$1/driver"
rank() {
    case $1 in
        core) echo 1 ;; files) echo 2 ;; transport) echo 3 ;; device) echo 4 ;; reports) echo 5 ;; command) echo 6 ;;
        *) echo 0 ;;
    esac
}
status=0
for file in $(find . -name '*.cpp' -o -name '*.h'); do
    layer=$(echo "$file" | cut -d/ -f2)
    own=$(rank "$layer")
    [ "$own" -gt 0 ] || { echo "$file: not in a layer"; status=1; continue; }
    while read -r included; do
        target=$(rank "$included")
        if [ "$target" -eq 0 ] || [ "$target" -gt "$own" ]; then
            echo "$file includes driver/$included, which is not below $layer"
            status=1
        fi
    done < <(grep -oE '^#include "driver/[a-z_]+/' "$file" | cut -d/ -f2)
done
[ $status -eq 0 ] && echo "every include in driver/ runs downward"
exit $status
