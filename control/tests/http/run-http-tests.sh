#!/usr/bin/env bash
# Starts the HTTP peers of the control's GetFromURL and HTTPUpload tests on free loopback ports
# (nginx for the real server, http_peer.py for scripted answers and the upload receiver), runs
# the C++ host under Wine against them, and stops them again.
# Usage: run-http-tests.sh <host test .exe> [gtest arguments]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
exe=$1
shift

tmp=$(mktemp -d /tmp/dorvik-http.XXXXXX)
nginx_pid=
peer_pid=
cleanup() {
  [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null && wait "$peer_pid" 2>/dev/null
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

winpath() { local p=${1//\//\\}; echo "Z:$p"; }
free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() {
  for _ in $(seq 100); do
    /usr/bin/python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),0.2)" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "nothing listens on port $1" >&2
  return 1
}

# What nginx serves: a file of every byte value larger than one receive block, and a protected one.
mkdir -p "$tmp/www/secret" "$tmp/peer" "$tmp/work" "$tmp/nginx"
/usr/bin/python3 -c '
import random, sys
random.seed(7)
open(sys.argv[1], "wb").write(bytes(random.getrandbits(8) for _ in range(2500000)))
open(sys.argv[2], "wb").write(b"for the eyes of dorvik only\r\n")
' "$tmp/www/whole.bin" "$tmp/www/secret/file.txt"
echo "dorvik:$(openssl passwd -apr1 's3cret pass')" > "$tmp/htpasswd"

nginx_port=$(free_port)
user_line=
[ "$(id -u)" = 0 ] && user_line="user root root;"
cat > "$tmp/nginx/nginx.conf" <<EOF
$user_line
daemon off;
master_process off;
worker_processes 1;
pid $tmp/nginx/nginx.pid;
error_log $tmp/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $tmp/nginx/body;
  proxy_temp_path $tmp/nginx/proxy;
  fastcgi_temp_path $tmp/nginx/fastcgi;
  uwsgi_temp_path $tmp/nginx/uwsgi;
  scgi_temp_path $tmp/nginx/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$nginx_port;
    root $tmp/www;
    location /secret/ {
      auth_basic "dorvik";
      auth_basic_user_file $tmp/htpasswd;
    }
  }
}
EOF
/usr/sbin/nginx -p "$tmp/nginx" -e "$tmp/nginx/error.log" -c "$tmp/nginx/nginx.conf" &
nginx_pid=$!
/usr/bin/python3 "$here/http_peer.py" "$tmp/peer/port" "$tmp/peer" &
peer_pid=$!
wait_port "$nginx_port" || { cat "$tmp/nginx/error.log"; exit 1; }
for _ in $(seq 100); do [ -f "$tmp/peer/port" ] && break; sleep 0.05; done
peer_port=$(cat "$tmp/peer/port")
wait_port "$peer_port" || exit 1

# WinInet would take a proxy from the environment.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
export DORVIK_HTTP_NGINX_PORT=$nginx_port
export DORVIK_HTTP_PEER_PORT=$peer_port
export DORVIK_HTTP_WWW=$(winpath "$tmp/www")
export DORVIK_HTTP_PEER_DIR=$(winpath "$tmp/peer")
export DORVIK_HTTP_WORK=$(winpath "$tmp/work")
"$top/scripts/wine-run.sh" "$exe" "$@"
rc=$?
exit $rc
