#!/usr/bin/env bash
# Installs, from Debian, everything the build and the tests need. Idempotent and quick when all is there.
set -euo pipefail

# The 64-bit compiler and Wine are for the machines that cannot run 32-bit code: the tests then run
# the 64-bit build of the same sources. Wine has no Arial of its own: with fonts-liberation it draws
# Arial with Liberation Sans, which has Arial's widths; without it, with a wider face that cuts
# Velkaro's texts. xauth is what xvfb-run needs to give Velkaro's window a virtual screen.
need=(wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
      fonts-liberation xvfb xauth cmake googletest vsftpd python3-pyftpdlib dante-server lftp nginx curl openssl)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
proftpd_root=/opt/dorvik-peers/proftpd
[ ${#missing[@]} -eq 0 ] && [ -x $proftpd_root/usr/sbin/proftpd ] && exit 0

SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
# The FTP, SOCKS and HTTP daemons are started by the tests themselves, on loopback, never at install.
policy=/usr/sbin/policy-rc.d
created_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
  $SUDO chmod +x "$policy"
  created_policy=1
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
[ $created_policy -eq 1 ] && $SUDO rm -f "$policy"

# proftpd conflicts with vsftpd as a package (both provide ftp-server), so its binary is unpacked
# into a folder of our own and run from there by the tests; its libraries come from Debian as usual.
if [ ! -x $proftpd_root/usr/sbin/proftpd ]; then
  deps=$(apt-cache depends --no-recommends --no-suggests proftpd-core | awk '/Depends:/ && $2 !~ /[<|]/ {print $2}' |
         grep -vE '^(debconf|adduser|ucf|netbase|sensible-utils|init-system-helpers|libpam-runtime|proftpd-doc|debianutils)$' || true)
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $deps
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get download -qq proftpd-core)
  $SUDO mkdir -p $proftpd_root
  $SUDO dpkg-deb -x "$tmp"/proftpd-core_*.deb $proftpd_root
  rm -rf "$tmp"
fi
exit 0
