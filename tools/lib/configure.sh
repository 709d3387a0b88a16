# shellcheck shell=bash
# Sourced by the scripts that configure a build tree.
#
# configure_build TOOL BUILD_DIR [CMAKE_ARGUMENTS...]: configures the caller's $repo
# into BUILD_DIR with Ninja. A successful configure stays quiet;
# a failed one shows everything CMake said, because its error names the
# module or package that is missing, then the error lines again, and ends
# the script. TOOL names the script in its messages.
configure_build() {
  local tool=$1 build_dir=$2
  shift 2
  mkdir -p "$build_dir"
  local log="$build_dir/configure.log"
  if ! cmake -S "$repo" -B "$build_dir" -G Ninja "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo >&2
    echo "$tool: configuring failed:" >&2
    grep -E "CMake Error|not found|Could NOT find" "$log" | sed "s/^/$tool:   /" >&2 || true
    echo "$tool: full configure output: $log" >&2
    exit 1
  fi
}
