# Shared by scripts/run and scripts/test: installs the Debian packages the
# build needs, when any is missing, and builds into build/ (or $BUILD_DIR).
set -euo pipefail

KBEX_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libqt6opengl6-dev libgl-dev qt6-tools-dev qt6-serialport-dev libqcustomplot-dev
  libgtest-dev libbenchmark-dev clang-format
  xvfb xauth fonts-dejavu-core
  dpkg-dev desktop-file-utils appstream lintian
)
# Only for scripts/test --fuzz: clang with libFuzzer, which Debian's clang
# merely recommends (libclang-rt-dev) and a no-recommends install leaves out.
KBEX_FUZZ_PACKAGES=(clang libclang-rt-dev)


# Installs the missing ones of KBEX_PACKAGES and of any packages given.
kbex_install_deps() {
  local missing=()
  for p in "${KBEX_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
      sudo="sudo"
    else
      echo "Missing packages (${missing[*]}) and no root rights or sudo to install them." >&2
      exit 1
    fi
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# Qt wants a private runtime folder; headless shells often have none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi

kbex_build() {
  local dir="$1"; shift
  cmake -S "$KBEX_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}

# Every C++ file of the project must be as clang-format writes it, with the
# settings in .clang-format; fails naming the files that are not.
kbex_check_format() {
  local files=()
  if git -C "$KBEX_ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git -C "$KBEX_ROOT" ls-files '*.cpp' '*.h')
  else
    mapfile -t files < <(cd "$KBEX_ROOT" && find src sim tests bench -name '*.cpp' -o -name '*.h')
  fi
  local bad=()
  for f in "${files[@]}"; do
    [ -f "$KBEX_ROOT/$f" ] || continue
    clang-format --dry-run --Werror "$KBEX_ROOT/$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -ne 0 ]; then
    echo "Not formatted (run: clang-format -i FILE): ${bad[*]}" >&2
    return 1
  fi
}
