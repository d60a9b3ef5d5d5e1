#!/bin/sh
# Configures and builds the bundles against host headers of the older published style
# (public apiVersion field, no setAPIVersion, no buildDynamicMenu), through -DORV_TD_SDK_DIR
# as a user with such an SDK would, then checks their exports.
#
# Usage: build-against-old-sdk.sh SOURCE_DIR WORK_DIR CMAKE GENERATOR CXX_COMPILER
set -eu
source_dir=$1
work_dir=$2
cmake=$3
generator=$4
cxx=$5

rm -rf "$work_dir"
sh "$source_dir/tests/fixtures/old-sdk/make-old-sdk.sh" "$source_dir/host" "$work_dir/sdk"
"$cmake" -S "$source_dir" -B "$work_dir/build" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE=Debug -DORV_WERROR=ON -DORV_BUILD_TESTS=OFF -DORV_BUILD_TOOLS=OFF \
  -DORV_TD_SDK_DIR="$work_dir/sdk" > "$work_dir/configure.log" ||
  { cat "$work_dir/configure.log"; exit 1; }
"$cmake" --build "$work_dir/build" --target OrvDat OrvChannels OrvBeat OrvEvents -j 2
"$source_dir/.ci/check-exports" "$work_dir/build/bundles"
