#!/usr/bin/env bash
# The layer check on small trees: a sound tree passes; an upward include, an
# include between two folders of one layer, and a folder without a place in
# the order each fail.
set -euo pipefail
check="$(cd "$(dirname "$0")" && pwd)/check_layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

# make_tree <file:included header>...
make_tree() {
  rm -rf "${tree:?}"/*
  mkdir -p "$tree/build/release" "$tree/tests/uci"
  touch "$tree/build/release/CMakeCache.txt"
  echo '#include "uci/engine.h"' >"$tree/build/release/compiler_id.cpp"  # a build tree is no source
  echo '#include "uci/engine.h"' >"$tree/tests/uci/some_test.cpp"        # nor is a test
  for pair in "$@"; do
    mkdir -p "$tree/$(dirname "${pair%%:*}")"
    echo "#include \"${pair#*:}\"" >>"$tree/${pair%%:*}"
  done
}

expect() {  # expect <pass|fail> <what>
  if "$check" "$tree" 2>/dev/null; then result=pass; else result=fail; fi
  if [ "$result" != "$1" ]; then
    echo "expected $1, got $result: $2" >&2
    exit 1
  fi
}

sound=(search/a.cpp:search/a.h search/a.cpp:position/b.h search/a.cpp:local.h
       uci/c.cpp:book/d.h uci/c.cpp:tablebase/e.h programs/p.cpp:uci/c.h)
make_tree "${sound[@]}"
expect pass "a tree whose includes all run downward"
make_tree "${sound[@]}" position/b.cpp:search/a.h
expect fail "position/ includes search/"
make_tree "${sound[@]}" eval/f.h:game/g.h game/g.h:eval/f.h
expect fail "game/ includes eval/"
make_tree "${sound[@]}" book/d.cpp:tablebase/e.h
expect fail "book/ includes tablebase/ on its own layer"
make_tree "${sound[@]}" extra/x.cpp:position/b.h
expect fail "a folder outside the order"
make_tree "${sound[@]}" search/a.cpp:extra/x.h
expect fail "an include from a folder outside the order"
