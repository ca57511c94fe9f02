#!/bin/sh
# SPDX-License-Identifier: MIT
# Puts an SPDX-License-Identifier line at the top of every source file in the repository that
# lacks one (after a "#!" line, which must stay first). Running it again changes nothing.
# Usage: scripts/add-spdx-headers.sh [LICENCE-ID]
set -eu

licence=${1:-MIT}
cd "$(git rev-parse --show-toplevel)"

# The comment that starts a line in the file, or nothing for files that are not source.
comment_for() {
    case "$1" in
    *.cpp | *.h) echo "//" ;;
    *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt | *.sh | Makefile | */Makefile) echo "#" ;;
    *) head -c 2 "$1" | grep -q '^#!' && echo "#" || true ;;
    esac
}

git ls-files --cached --others --exclude-standard | while IFS= read -r file; do
    [ -f "$file" ] || continue
    comment=$(comment_for "$file")
    [ -n "$comment" ] || continue
    head -n 3 "$file" | grep -q 'SPDX-License-Identifier:' && continue
    line="$comment SPDX-License-Identifier: $licence"
    temporary=$(mktemp)
    if head -c 2 "$file" | grep -q '^#!'; then
        { head -n 1 "$file"; echo "$line"; tail -n +2 "$file"; } >"$temporary"
    else
        { echo "$line"; cat "$file"; } >"$temporary"
    fi
    # Written in place so that the file keeps its mode (scripts stay executable).
    cat "$temporary" >"$file"
    rm -f "$temporary"
    echo "$file"
done
