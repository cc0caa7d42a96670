#!/usr/bin/env bash
# Runs a command with the transfer tests' servers up on 127.0.0.1: nginx for
# HTTP and HTTPS (a throwaway certificate made here), an FTP server
# (anonymous and the user "quendel"), and an HTTP server that misbehaves on
# purpose. Each server runs in the foreground with its own configuration in
# WORKDIR and is stopped by its process id when the command ends.
#
# Usage: with_servers.sh WORKDIR COMMAND [ARGS...]
# The command sees QUENDEL_NET_ROOT (the served tree), QUENDEL_NET_CA (the
# certificate in PEM), QUENDEL_HTTP_PORT, QUENDEL_HTTPS_PORT,
# QUENDEL_FTP_PORT and QUENDEL_BAD_PORT.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$1; shift
python=/usr/bin/python3 # Debian's, which has pyftpdlib

rm -rf "$work"; mkdir -p "$work/root" "$work/nginx"
pids=()
stop() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  # A server a test stopped on purpose is already gone.
  for pid in "${pids[@]}"; do { wait "$pid"; } 2>/dev/null; done
}
trap stop EXIT

"$python" "$here/servers/make_tree.py" "$work/root" || exit 1
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
  -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || { echo "openssl failed"; exit 1; }

read -r http https ftp bad < <("$python" - <<'PY'
import socket
socks = [socket.socket() for _ in range(4)]
for s in socks:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in socks))
PY
)

cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
$( [ "$(id -u)" -eq 0 ] && echo "user root;" )
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$http;
    listen 127.0.0.1:$https ssl;
    ssl_certificate $work/cert.pem;
    ssl_certificate_key $work/key.pem;
    root $work/root;
    location = /files/moved.bin { return 301 /files/data.bin; }
    location /loop/ { return 302 /loop/again; }
  }
}
CONF
nginx -p "$work/nginx" -e "$work/nginx/error.log" -c "$work/nginx/nginx.conf" &
pids+=($!)
"$python" "$here/servers/ftp_server.py" "$work/root" "$ftp" >"$work/ftp.log" 2>&1 &
pids+=($!)
"$python" "$here/servers/bad_http.py" "$bad" "$work/root" >"$work/bad.log" 2>&1 &
pids+=($!)

for port in "$http" "$https" "$ftp" "$bad"; do
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue 2
    sleep 0.1
  done
  echo "with_servers: nothing listens on port $port"; cat "$work"/nginx/error.log "$work"/*.log; exit 1
done

export QUENDEL_NET_ROOT=$work/root QUENDEL_NET_CA=$work/cert.pem
export QUENDEL_HTTP_PORT=$http QUENDEL_HTTPS_PORT=$https QUENDEL_FTP_PORT=$ftp QUENDEL_BAD_PORT=$bad
"$@"
rc=$?
exit $rc
