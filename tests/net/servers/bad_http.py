"""An HTTP server that misbehaves on purpose, for the failure cases of the
transfer tests. Listens on 127.0.0.1 only. Usage: bad_http.py PORT [ROOT]

The first path element picks the misbehaviour; the rest is ignored:
  /trunc/...     announces 100000 bytes, sends 5000, closes
  /hang/...      reads the request and never answers
  /hangbody/...  announces 100000 bytes, sends 1000, then says nothing
  /status403/... and /status500/...  that status with a small page
  /chunked/...   the test pattern (100000 bytes) in chunks of varying size
  /badchunk/...  a chunked body that breaks off inside a chunk
  /nolength/...  the test pattern, no length, ended by closing
  /start404/...  200 with a body that begins with "404"

Under /switch/ the files of ROOT/switch are served, and the file ROOT/switch.mode
(one line, "MODE [NAME]", rewritten by a test between runs of a program
whose server address it cannot change) makes the requests for NAME, or for
every file when no name is given, misbehave:
  serve        as a plain server (missing files are a 404)
  status404, status500  that status
  trunc        announces the file's length, sends half, closes
  hang         reads the request and never answers
  stop         sends half of the file, then the whole server process dies
"""
import os
import signal
import socketserver
import sys

SIZE = 100000


def pattern(size):
    return bytes(((i * 31) + (i >> 8)) & 0xFF for i in range(size))


DATA = pattern(SIZE)


class Handler(socketserver.BaseRequestHandler):
    def read_request(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                return None
            data += chunk
        line = data.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split(" ")
        return parts[1] if len(parts) > 1 else "/"

    def send(self, data):
        try:
            self.request.sendall(data)
        except OSError:
            pass

    def wait_for_close(self):
        # Hold the connection, saying nothing, until the client gives up.
        self.request.settimeout(120)
        try:
            while self.request.recv(4096):
                pass
        except OSError:
            pass

    def handle(self):
        path = self.read_request()
        if path is None:
            return
        kind = path.strip("/").split("/")[0]
        head = "HTTP/1.1 {}\r\nConnection: close\r\n"
        if kind == "switch" and ROOT:
            self.switch(path.strip("/").split("/"), head)
            return
        if kind == "trunc":
            self.send((head.format("200 OK") + "Content-Length: %d\r\n\r\n" % SIZE).encode() + DATA[:5000])
        elif kind == "hang":
            self.wait_for_close()
        elif kind == "hangbody":
            self.send((head.format("200 OK") + "Content-Length: %d\r\n\r\n" % SIZE).encode() + DATA[:1000])
            self.wait_for_close()
        elif kind in ("status403", "status500"):
            status = "403 Forbidden" if kind == "status403" else "500 Internal Server Error"
            body = ("<html>%s</html>" % status).encode()
            self.send((head.format(status) + "Content-Length: %d\r\n\r\n" % len(body)).encode() + body)
        elif kind in ("chunked", "badchunk"):
            out = (head.format("200 OK") + "Transfer-Encoding: chunked\r\n\r\n").encode()
            pos, step = 0, 1
            while pos < SIZE:
                n = min(step, SIZE - pos)
                out += b"%x\r\n" % n + DATA[pos:pos + n] + b"\r\n"
                pos += n
                step = step * 3 % 20011 + 1
            out += b"0\r\n\r\n"
            if kind == "badchunk":
                out = out[: len(out) // 2]
            self.send(out)
        elif kind == "nolength":
            self.send(head.format("200 OK").encode() + b"\r\n" + DATA)
        elif kind == "start404":
            body = b"404 is where this file begins, and it is a real file.\n"
            self.send((head.format("200 OK") + "Content-Length: %d\r\n\r\n" % len(body)).encode() + body)
        else:
            self.send((head.format("404 Not Found") + "Content-Length: 0\r\n\r\n").encode())

    def switch(self, parts, head):
        mode, target = "serve", None
        try:
            with open(os.path.join(ROOT, "switch.mode")) as f:
                words = f.read().split()
            if words:
                mode = words[0]
                target = words[1] if len(words) > 1 else None
        except OSError:
            pass
        if target is not None and (not parts or parts[-1] != target):
            mode = "serve"
        data = None
        if ".." not in parts:  # nothing outside ROOT/switch
            try:
                with open(os.path.join(ROOT, *parts), "rb") as f:
                    data = f.read()
            except OSError:
                pass
        if mode == "hang":
            self.wait_for_close()
        elif mode in ("status404", "status500") or data is None:
            status = "500 Internal Server Error" if mode == "status500" else "404 Not Found"
            body = ("<html>%s</html>" % status).encode()
            self.send((head.format(status) + "Content-Length: %d\r\n\r\n" % len(body)).encode() + body)
        elif mode in ("trunc", "stop"):
            self.send((head.format("200 OK") + "Content-Length: %d\r\n\r\n" % len(data)).encode()
                      + data[: len(data) // 2])
            if mode == "stop":
                os.kill(os.getpid(), signal.SIGKILL)
        else:
            self.send((head.format("200 OK") + "Content-Length: %d\r\n\r\n" % len(data)).encode() + data)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


ROOT = sys.argv[2] if len(sys.argv) > 2 else None

if __name__ == "__main__":
    with Server(("127.0.0.1", int(sys.argv[1])), Handler) as server:
        server.serve_forever()
