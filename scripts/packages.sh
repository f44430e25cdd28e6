# Sourced by the build scripts: installs the Debian packages named that are
# not installed yet, so that both commands work on a fresh Debian 12 machine.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}" >&2
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
}

# The native build and its checks; help2man makes txreport's man page.
# Ansible (with the ansible.windows collection) and ansible-lint check the
# rollout playbook. Headless Chromium, with a font for its screenshots, and
# python3 check txreport's html page as a browser shows it.
NATIVE_PACKAGES=(cmake ninja-build g++ help2man libgtest-dev clang-tidy
  clang-format cppcheck jq ansible ansible-lint chromium-headless-shell
  fonts-dejavu-core python3)
# The Windows builds (mingw-w64 for i686 and x86-64, posix threads for
# GoogleTest, built from Debian's sources) and Wine to run them: the 64-bit
# loader, and the 32-bit one for 32-bit programs and WOW64. wine32 installs
# even where the kernel cannot run it; the tests find that out themselves.
# python3 reads the test verdicts for the summary of scripts/test.
WINDOWS_PACKAGES=(cmake ninja-build
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  googletest wine wine64 wine32:i386 python3)
# Releases (scripts/release and its tests): both Windows builds (the
# toolchain files name Wine as the test runner, so wine and wine64 come
# too), the zip and its checks, Authenticode signing, and txreport's Debian
# package: the native build, CPack's dependencies (file and dpkg-shlibdeps)
# and lintian.
RELEASE_PACKAGES=(cmake ninja-build
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 zip unzip openssl osslsigncode
  g++ help2man file dpkg-dev lintian)
# The qemu guest that runs the 32-bit Wine suites where the kernel runs no
# 32-bit programs (scripts/guest): QEMU, and what makes its image
# (scripts/guest-image: debootstrap, mkfs.ext4 -d).
GUEST_PACKAGES=(qemu-system-x86 debootstrap e2fsprogs)
