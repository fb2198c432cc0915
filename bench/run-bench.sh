#!/usr/bin/env bash
# Runs the engine's "bench" command on the bench positions and prints its
# summary line. Usage: run-bench.sh <engine program> [seconds per position]
set -euo pipefail
engine=${1:?engine program}
seconds=${2:-1}
positions="$(cd "$(dirname "$0")" && pwd)/bench.fen"
engine="$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")"

# The engine runs in a folder of its own that is also its HOME: what it
# writes beside itself or under the home folder goes with the folder.
folder=$(mktemp -d "${TMPDIR:-/tmp}/morvax-bench-XXXXXX")
trap 'rm -rf "$folder"' EXIT
coproc ENGINE { cd "$folder" && unset XDG_DATA_HOME && HOME="$folder" exec "$engine"; }
echo uci >&"${ENGINE[1]}"
echo "bench $positions $seconds" >&"${ENGINE[1]}"
# The engine reads its input during a search: send "quit" only once the summary is out.
while IFS= read -r line <&"${ENGINE[0]}"; do
  case $line in
    "average depth="*) echo "$line"; break ;;
  esac
done
echo quit >&"${ENGINE[1]}"
wait "$ENGINE_PID"
