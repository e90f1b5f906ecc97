#!/usr/bin/env bash
# Prints how fast GetFromURL fetches a large file from nginx on loopback, next to curl doing the
# same. Not a test: nothing is asserted. Usage: bench-http-download.sh [MiB, default 256]
# (BUILD_DIR names the build whose DorvikFTP.dll and Wine prefix are used.)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
: "${BUILD_DIR:=$top/build}"
export BUILD_DIR
source "$top/scripts/wine-env.sh"
mib=${1:-256}

tmp=$(mktemp -d /tmp/dorvik-bench.XXXXXX)
nginx_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

head -c $((mib * 1024 * 1024)) /dev/urandom > "$tmp/big.bin"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir "$tmp/nginx"
user_line=
[ "$(id -u)" = 0 ] && user_line="user root root;"
cat > "$tmp/nginx/nginx.conf" <<EOF
$user_line
daemon off; master_process off; worker_processes 1;
pid $tmp/nginx/pid; error_log $tmp/nginx/error.log;
events { worker_connections 16; }
http {
  access_log off;
  client_body_temp_path $tmp/nginx/b; proxy_temp_path $tmp/nginx/p; fastcgi_temp_path $tmp/nginx/f;
  uwsgi_temp_path $tmp/nginx/u; scgi_temp_path $tmp/nginx/s;
  server { listen 127.0.0.1:$port; root $tmp; }
}
EOF
/usr/sbin/nginx -p "$tmp/nginx" -e "$tmp/nginx/error.log" -c "$tmp/nginx/nginx.conf" &
nginx_pid=$!
sleep 0.5

wine regsvr32 /s "$(winepath -w "$BUILD_DIR/bin/DorvikFTP.dll" 2>/dev/null)"
win_tmp="Z:${tmp//\//\\}"
cat > "$tmp/bench.vbs" <<EOF
Set c = CreateObject("DorvikFTP.DorvikFTPCtrl")
t = Timer
c.GetFromURL "http://127.0.0.1:$port/big.bin", "$win_tmp\\out.bin", "", "", 0
WScript.Echo Timer - t
EOF
seconds=$(wine cscript //nologo "$win_tmp\\bench.vbs" | tr -d '\r')
cmp -s "$tmp/big.bin" "$tmp/out.bin" || { echo "the downloaded file differs" >&2; exit 1; }
rm -f "$tmp/out.bin"
start=$(date +%s.%N)
curl -s -o "$tmp/out.bin" "http://127.0.0.1:$port/big.bin"
curl_seconds=$(echo "$(date +%s.%N) - $start" | bc)
printf 'GetFromURL  %d MiB  %.3f s  %.0f MB/s\n' "$mib" "$seconds" "$(echo "$mib * 1.048576 / $seconds" | bc -l)"
printf 'curl        %d MiB  %.3f s  %.0f MB/s\n' "$mib" "$curl_seconds" "$(echo "$mib * 1.048576 / $curl_seconds" | bc -l)"
