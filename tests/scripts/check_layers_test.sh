#!/usr/bin/env bash
# The layer check on a small tree made to break each rule once, beside files
# that keep them: it must name every crossing, pass the files that keep the
# rules, and fail.
#
#   tests/scripts/check_layers_test.sh PATH/TO/check-layers.sh
set -euo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

mkdir -p "$tree"/{jet,db,kit,settings,app,config}
# Allowed: each file includes only what its layer may use.
printf '#include "jet/value.h"\n#include <vector>\n' > "$tree/jet/value.cpp"
printf '#include "jet/value.h"\n#include "config/cfg.h"\nint f() { return jet::x; }\n' > "$tree/db/surface.cpp"
printf '#include "db/surface.h"\n#include "kit/dialog.h"\n// jet::Error in a comment is no use\n' > "$tree/app/window.cpp"
# Crossings, one of each kind.
printf '#include "jet/value.h"\n' > "$tree/app/bad_engine_include.cpp"
printf 'void f() { throw jet::Error(); }\n' > "$tree/app/bad_engine_type.h"
printf '#include "kit/xdlg.h"\n' > "$tree/db/bad_dialog.cpp"
printf '#include "app/f_main.h"\n' > "$tree/kit/bad_app.cpp"
printf '#include "db/surface.h"\n' > "$tree/settings/bad_database.cpp"
printf '  #  include <db/surface.h>\n' > "$tree/kit/bad_spaced.cpp"
printf '#include "kit/label.h"\n' > "$tree/jet/bad_outside.cpp"

status=0
output=$(bash "$check" "$tree") || status=$?

fail() {
    echo "FAIL: $1"
    echo "--- check output:"
    echo "$output"
    exit 1
}

[ "$status" -eq 1 ] || fail "expected exit status 1, got $status"
for expected in \
    "app/bad_engine_include.cpp:1: app/ may not include jet/ headers" \
    "app/bad_engine_type.h:1: app/ may not use the engine's types (jet::)" \
    "db/bad_dialog.cpp:1: db/ may not include kit/ headers" \
    "kit/bad_app.cpp:1: kit/ may not include app/ headers" \
    "settings/bad_database.cpp:1: settings/ may not include db/ headers" \
    "kit/bad_spaced.cpp:1: kit/ may not include db/ headers" \
    "jet/bad_outside.cpp:1: jet/ may not include kit/ headers" \
    "7 include(s) cross a layer the wrong way"; do
    grep -qF -- "$expected" <<<"$output" || fail "missing: $expected"
done
if grep -qE '(value|surface|window)\.cpp' <<<"$output"; then
    fail "a file that keeps the rules was reported"
fi

# And a tree that keeps every rule passes.
rm "$tree"/*/bad_*
bash "$check" "$tree" > /dev/null || fail "a tree that keeps the rules was refused"
echo "the layer check refuses each kind of crossing"
