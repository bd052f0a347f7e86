#!/usr/bin/python3
"""Local HTTP(S) server for the web request tests and benchmarks.

Usage: local_server.py [--tls CERT KEY]. Listens on 127.0.0.1 on a free port
and prints the port on its first line of stdout. Paths:
  /echo...          200, body = the raw request (request line, headers, body)
  /setcookie        200 with Set-Cookie lines in two letter cases
  /persist          200 setting a persistent cookie (and a session cookie)
  /redirect         302 to /echo?from=redirect, setting a cookie
  /bigheaders       200 with a header block over 5000 bytes, Set-Cookie last
  /big?n=N          200 with an N-byte body
  /silent           reads the request and never answers
"""
import socket
import socketserver
import ssl
import sys
import threading
import time


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(rest) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        rest += chunk
    return head + b"\r\n\r\n" + rest


def response(status, headers=(), body=b""):
    lines = [b"HTTP/1.1 " + status]
    lines += list(headers)
    lines.append(b"Content-Length: " + str(len(body)).encode())
    lines.append(b"Connection: close")
    return b"\r\n".join(lines) + b"\r\n\r\n" + body


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        if self.server.tls is not None:
            try:
                conn = self.server.tls.wrap_socket(conn, server_side=True)
            except (ssl.SSLError, OSError):
                return
        try:
            request = read_request(conn)
            if request is None:
                return
            target = request.split(b" ", 2)[1]
            path = target.split(b"?", 1)[0]
            if path == b"/silent":
                time.sleep(3600)
                return
            conn.sendall(self.answer(request, target, path))
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    def answer(self, request, target, path):
        if path == b"/setcookie":
            return response(b"200 OK", [b"Set-Cookie: a=1; path=/", b"set-cookie: b=2"], b"ok")
        if path == b"/persist":
            return response(b"200 OK", [b"Set-Cookie: sid=abc; Expires=Fri, 01 Jan 2100 00:00:00 GMT; Path=/",
                                        b"Set-Cookie: temp=1; Path=/"], b"ok")
        if path == b"/redirect":
            return response(b"302 Found", [b"Location: /echo?from=redirect", b"Set-Cookie: r=1; path=/"],
                            b"moved")
        if path == b"/bigheaders":
            filler = [b"X-Filler-%d: " % i + b"x" * 100 for i in range(60)]
            return response(b"200 OK", filler + [b"Set-Cookie: late=1; path=/"], b"big")
        if path == b"/big":
            n = int(target.split(b"n=", 1)[1])
            return response(b"200 OK", [], b"z" * n)
        return response(b"200 OK", [b"Content-Type: application/octet-stream"], request)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    server.tls = None
    if len(sys.argv) == 4 and sys.argv[1] == "--tls":
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(sys.argv[2], sys.argv[3])
        server.tls = ctx
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
