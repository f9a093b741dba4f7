# Installs the Debian packages that building, running and testing need.
# Sourced by the other scripts; uses sudo when not run as root.
QEL_PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core xvfb xauth openbox x11-utils xdotool clang strace \
e2fsprogs btrfs-progs"

qel_install_deps() {
  local missing=""
  for p in $QEL_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  local SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing:$missing"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
}
