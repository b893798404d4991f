# Shared by the package scenarios: the native package_builder, our archive
# library and a copy of the installer in C:\Setup with the sample package.
# Needs the native build too (NATIVE_BUILD_DIR, by default build/linux of the
# source tree).
package_source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
PACKAGE_BUILDER=${NATIVE_BUILD_DIR:-$package_source_root/build/linux}/tools/package_builder/package_builder
PACKAGE_SEVENZIP=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
PACKAGE_CHECK=$TEST_BUILD_DIR/tools/sevenzip32/sevenzip32_check.exe

# Fails the scenario (and returns 1) when a needed program is missing.
package_tools_ready() {
  local ok=0 needed
  for needed in "$PACKAGE_BUILDER" "$PACKAGE_SEVENZIP" "$PACKAGE_CHECK" "$INSTALLER_EXE"; do
    if [ ! -e "$needed" ]; then
      fail "missing $needed (build the native and the windows presets)"
      ok=1
    fi
  done
  return $ok
}

# Builds the sample package into $1/DriverData.Drv.
package_build_sample() {  # work-dir
  "$PACKAGE_BUILDER" sample "$1/package" >/dev/null &&
    "$PACKAGE_BUILDER" build "$1/package" -o "$1/DriverData.Drv" >/dev/null
}

# The display names of a name-list file, in file order.
package_names() {  # DriverName.cfg
  tr -d '\r' <"$1" | sed -n 's/^PrintName[0-9]*=//p'
}
