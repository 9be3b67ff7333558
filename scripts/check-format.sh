#!/usr/bin/env bash
# Fails, listing the files, when clang-format would change any C++ source.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- 'src/*.cpp' 'src/*.h' \
    'agent/*.cpp' 'agent/*.h' 'libs/*.cpp' 'libs/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
    'bench/*.h' 'include/*.h')
differing=()
for file in "${files[@]}"; do
    if ! clang-format --style=file "$file" | cmp -s - "$file"; then
        differing+=("$file")
    fi
done
if [ ${#differing[@]} -gt 0 ]; then
    echo "check-format: clang-format would change ${#differing[@]} file(s):" >&2
    printf '  %s\n' "${differing[@]}" >&2
    echo "check-format: run clang-format -i on them" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files as clang-format leaves them"
