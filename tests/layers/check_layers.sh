#!/usr/bin/env bash
# Fails when an engine source includes a header of a layer above its own.
# Usage: check_layers.sh <source root>
#
# The layers, bottom to top. A folder includes its own headers and those of
# the layers below it, never those of a layer above it nor of another folder
# on its own layer. A part below that has to reach a part above owns an
# interface (a header with function pointers) that the part above fills in.
LAYERS=(
  "platform config"
  "position"
  "game"
  "eval"
  "search"
  "book tablebase"
  "uci"
  "companion"
  "programs tools"
)
set -euo pipefail
root=${1:?source root}
cd "$root"

declare -A rank
for i in "${!LAYERS[@]}"; do
  for folder in ${LAYERS[$i]}; do rank[$folder]=$i; done
done

status=0
fail() {
  echo "$1" >&2
  status=1
}

# Every source outside tests/ and build trees: a folder not in the order is
# itself a fault, so that a new folder has to be given its place.
mapfile -t files < <(find . \( -path ./tests -o -path ./.git -o \( -type d -exec test -e '{}/CMakeCache.txt' \; \) \) \
                          -prune -o -type f \( -name '*.h' -o -name '*.cpp' \) -print | sed 's#^\./##' | sort)
for file in "${files[@]}"; do
  folder=${file%%/*}
  if [ "$folder" = "$file" ] || [ -z "${rank[$folder]+set}" ]; then
    fail "$file: folder '$folder' has no place in the layer order"
  fi
done

# Each include line as file:line:header.
while IFS=: read -r file line target; do
  folder=${file%%/*}
  case $target in
    */*) to=${target%%/*} ;;
    *) continue ;;  # a header beside the file
  esac
  if [ "$folder" = "$file" ] || [ -z "${rank[$folder]+set}" ]; then
    continue  # reported above
  elif [ -z "${rank[$to]+set}" ]; then
    fail "$file:$line: includes \"$target\" from folder '$to', which has no place in the layer order"
  elif [ "$to" != "$folder" ] && [ "${rank[$to]}" -ge "${rank[$folder]}" ]; then
    fail "$file:$line: $folder/ includes \"$target\": $to/ is not below $folder/"
  fi
done < <([ ${#files[@]} -eq 0 ] ||
         grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${files[@]}" |
         sed -E 's/^([^:]+):([0-9]+):[^"]*"([^"]+)".*/\1:\2:\3/')

exit $status
