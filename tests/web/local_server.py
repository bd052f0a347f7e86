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
  /drip?n=N[&ms=M]  200 announcing an N-byte body, then one byte every M
                    milliseconds (default 1000)
  /connections      the number of connections accepted since the previous
                    /connections (itself not counted)
Marketplace stand-in (answers come from the fixture folder given to setup):
  /market/setup?dir=D  loads D/sug-pc.json, D/sug-mobile.json and D/search.json
                       (objects keyed by the q value) and clears the request log
  /market/log          the request lines of /sug and /search received since
                       setup, as sent, one per line
  /sug                 with _ksTS, k=1 and bucketid: the PC answer of q from
                       sug-pc.json; otherwise the mobile answer from
                       sug-mobile.json, or the PC answer's "result" only
  /search              a page whose g_page_config carries the related module
                       of q from search.json ("related":{...},"tab":{...});
                       null leaves the module out
  An unknown q gives {"result":[]} (or a page without the related module). An
  entry {"@": directive} answers otherwise: "slow" (waits "delay" seconds, then
  "answer"), "error" (500 with an HTML page), "callback" ("answer" wrapped in
  a JavaScript call), "raw" ("body" as it is), "drop" (closes without an
  answer), "silent" (never answers), "drip" (announces a body of "bytes"
  bytes, then sends one a second).
  Deep-run additions:
  setup also takes delay=S (every answer waits S seconds) and synthetic=N
  (an unknown q answers N words "q词0".."q词N-1" with listing counts instead
  of nothing). Directives: "status" (answers HTTP "code", e.g. 403 or 429),
  "login" (302 to a login page on another host), "html" (200 with an HTML
  page where JSON was asked), "times" (the first "n" requests of this q on
  this endpoint get the directive "first", later ones "answer").
  Pacing: setup also takes rate=R and burst=B: a token bucket per Host header
  (R tokens a second, at most B) that answers 429 to every /sug or /search
  request finding it empty; /market/refused gives how many it refused since
  setup (refused requests are in the log too).
"""
import json
import os
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse


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
        with self.server.lock:
            self.server.connections += 1
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
            if path == b"/drip":
                query = target.split(b"?", 1)[1].decode("latin-1") if b"?" in target else ""
                params = dict(urllib.parse.parse_qsl(query))
                self.drip(conn, int(params.get("n", 60)), int(params.get("ms", 1000)) / 1000)
                return
            if path == b"/connections":
                with self.server.lock:
                    count = self.server.connections - 1
                    self.server.connections = 0
                conn.sendall(response(b"200 OK", [], str(count).encode()))
                return
            if path in (b"/sug", b"/search") or path.startswith(b"/market/"):
                answer = self.server.market.answer(request, target, path)
                if answer is None:
                    return
                if callable(answer):
                    answer(conn)
                    return
                conn.sendall(answer)
                return
            conn.sendall(self.answer(request, target, path))
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    @staticmethod
    def drip(conn, n, interval=1.0):
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n)
        for _ in range(n):
            time.sleep(interval)
            conn.sendall(b"d")

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


SEARCH_PAGE = (
    '<!DOCTYPE html><html><head><meta charset="utf-8"><title>{title}</title></head><body>'
    '<script>\ng_page_config = {{"pageName":"mainsrp","mods":{{"shopcombotip":{{"status":"hide"}},'
    '{related}"tab":{{"status":"show","data":{{"tabs":[{{"text":"全部"}},{{"text":"天猫"}}]}}}},'
    '"pager":{{"status":"show","data":{{"pageSize":44}}}}}}}};\ng_srp_loadCss();\n</script></body></html>')


def compact(value):
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"))


class Marketplace:
    def __init__(self):
        self.lock = threading.Lock()
        self.tables = {"pc": {}, "mobile": {}, "search": {}}
        self.log = []
        self.delay = 0.0
        self.synthetic = 0
        self.counts = {}
        self.rate = 0.0
        self.burst = 0.0
        self.buckets = {}
        self.refused = 0

    def setup(self, folder, delay=0.0, synthetic=0, rate=0.0, burst=0.0):
        tables = {}
        for key, name in (("pc", "sug-pc.json"), ("mobile", "sug-mobile.json"), ("search", "search.json")):
            file = os.path.join(folder, name)
            tables[key] = {}
            if os.path.exists(file):
                with open(file, encoding="utf-8") as f:
                    tables[key] = json.load(f)
        with self.lock:
            self.tables = tables
            self.log = []
            self.delay = delay
            self.synthetic = synthetic
            self.counts = {}
            self.rate = rate
            self.burst = max(1.0, burst)
            self.buckets = {}
            self.refused = 0

    def take_token(self, request):
        """False when the host's token bucket is empty (no bucket without a rate)."""
        if self.rate <= 0:
            return True
        host = b""
        for line in request.split(b"\r\n")[1:]:
            if line.lower().startswith(b"host:"):
                host = line[5:].strip()
        now = time.monotonic()
        tokens, last = self.buckets.get(host, (self.burst, now))
        tokens = min(self.burst, tokens + (now - last) * self.rate)
        if tokens < 1:
            self.buckets[host] = (tokens, now)
            self.refused += 1
            return False
        self.buckets[host] = (tokens - 1, now)
        return True

    def answer(self, request, target, path):
        query = target.split(b"?", 1)[1].decode("latin-1") if b"?" in target else ""
        params = dict(urllib.parse.parse_qsl(query, keep_blank_values=True, encoding="utf-8", errors="replace"))
        if path == b"/market/setup":
            self.setup(params.get("dir", ""), float(params.get("delay", "0")), int(params.get("synthetic", "0")),
                       float(params.get("rate", "0")), float(params.get("burst", "0")))
            return response(b"200 OK", [], b"ok")
        if path == b"/market/refused":
            with self.lock:
                return response(b"200 OK", [b"Content-Type: text/plain"], str(self.refused).encode())
        if path == b"/market/log":
            with self.lock:
                text = "\n".join(self.log)
            return response(b"200 OK", [b"Content-Type: text/plain"], text.encode("latin-1"))
        if path.startswith(b"/market/"):
            return response(b"404 Not Found", [], b"")
        with self.lock:
            self.log.append(request.split(b"\r\n", 1)[0].decode("latin-1"))
            tables = self.tables
            allowed = self.take_token(request)
        if not allowed:
            return response(b"429 Too Many Requests", [b"Content-Type: text/html"], b"<html>busy</html>")
        q = params.get("q", "")
        if self.delay > 0:
            time.sleep(self.delay)
        if path == b"/sug":
            pc = "_ksTS" in params and params.get("k") == "1" and "bucketid" in params
            if pc and q not in tables["pc"] and self.synthetic > 0:
                entry = self.synthetic_answer(q)
            elif not pc and q not in tables["mobile"] and q not in tables["pc"] and self.synthetic > 0:
                entry = self.synthetic_answer(q)
            elif pc:
                entry = self.counted(("pc", q), tables["pc"].get(q, {"result": []}))
            elif q in tables["mobile"]:
                entry = self.counted(("mobile", q), tables["mobile"][q])
            else:
                entry = self.counted(("mobile", q), tables["pc"].get(q, {"result": []}))
                if isinstance(entry, dict) and "@" not in entry:
                    entry = {"result": entry.get("result", [])}
            return self.reply(entry, lambda value: compact(value), b"application/json;charset=UTF-8")
        entry = self.counted(("search", q), tables["search"].get(q))
        return self.reply(entry, lambda value: self.page(q, value), b"text/html;charset=UTF-8")

    def synthetic_answer(self, q):
        return {"result": [[q + "词" + str(i), str(1000 + i)] for i in range(self.synthetic)]}

    def counted(self, key, entry):
        """Resolves a "times" directive by the number of requests of this q so far."""
        if not (isinstance(entry, dict) and entry.get("@") == "times"):
            return entry
        with self.lock:
            seen = self.counts.get(key, 0)
            self.counts[key] = seen + 1
        return entry["first"] if seen < int(entry.get("n", 1)) else entry.get("answer")

    @staticmethod
    def page(q, related):
        module = "" if related is None else '"related":' + compact(related) + ","
        return SEARCH_PAGE.format(title=q + "_淘宝搜索", related=module)

    @staticmethod
    def reply(entry, render, content_type):
        if isinstance(entry, dict) and "@" in entry:
            directive = entry["@"]
            if directive == "slow":
                time.sleep(float(entry.get("delay", 1)))
            elif directive == "error":
                return response(b"500 Internal Server Error", [b"Content-Type: text/html"],
                                "<html><body><h1>500 服务器错误</h1></body></html>".encode("utf-8"))
            elif directive == "callback":
                body = "jsonp" + "(" + render(entry.get("answer")) + ");"
                return response(b"200 OK", [b"Content-Type: " + content_type], body.encode("utf-8"))
            elif directive == "raw":
                return response(b"200 OK", [b"Content-Type: " + content_type], entry["body"].encode("utf-8"))
            elif directive == "drop":
                return None
            elif directive == "status":
                code = int(entry.get("code", 403))
                return response(b"%d Refused" % code, [b"Content-Type: text/html"], b"<html>refused</html>")
            elif directive == "login":
                return response(b"302 Found", [b"Location: https://login.example.invalid/member/login.jhtml"],
                                b"")
            elif directive == "html":
                return response(b"200 OK", [b"Content-Type: text/html;charset=UTF-8"],
                                "<html><body>请登录</body></html>".encode("utf-8"))
            elif directive == "silent":
                time.sleep(3600)
                return None
            elif directive == "drip":
                return lambda conn: Handler.drip(conn, int(entry.get("bytes", 60)))
            entry = entry.get("answer")
        return response(b"200 OK", [b"Content-Type: " + content_type], render(entry).encode("utf-8"))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    server.tls = None
    server.lock = threading.Lock()
    server.connections = 0
    server.market = Marketplace()
    if len(sys.argv) == 4 and sys.argv[1] == "--tls":
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(sys.argv[2], sys.argv[3])
        server.tls = ctx
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
