# Installs the Debian packages Quillon needs, and only those that are missing.
# Sourced by the other scripts; takes the package names as arguments.
quillon_install_missing() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

QUILLON_BUILD_DEPS=(qt6-base-dev qt6-qpa-plugins cmake ninja-build g++ fonts-liberation fonts-dejavu-core)
# What the package recommends: the demo then shows the transcript's stand-ins
# for control characters and the members' emoji, not empty boxes.
QUILLON_RUN_DEPS=(fonts-symbola)
# Building the .deb (dpkg-shlibdeps works out the library dependencies and
# needs file) and checking it: its desktop entry, its metainfo, what lintian
# says about the whole package and what hardening-check (devscripts) says
# about its programs.
QUILLON_PACKAGE_DEPS=(dpkg-dev file desktop-file-utils appstream lintian devscripts)
# The sanitizer and fuzzing stage builds with clang and its runtime.
QUILLON_SANITIZER_DEPS=(clang libclang-rt-14-dev)
