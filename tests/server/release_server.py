"""Loopback HTTPS release server for the tests and the demo.

Serves a release folder laid out by `norvane-pack publish` (latest/download/
and download/vX.Y.Z/) below a mount path such as /api/host/releases, over
TLS 1.2 with the test CA's chain (tests/server/test_pki.py), and misbehaves
on request: per-path rules set from a journey (in-process) or read from a
JSON control file (command line).

Rule fields (all optional except match, the end of the request path):
  status            answer with this status and an empty body
  body              bytes (or text) to send instead of the file
  content_length    "omit", an integer to declare instead of the real length
  truncate_at       close the connection after this many body bytes
  chunk_delay       seconds to sleep before each 64 KiB piece
  redirects         answer with this many redirects before the file
  relative          the redirect Location is a relative URL
  redirect_host     the redirect Location names this host (same port) instead of the asked one
  times             apply only to the first N matching requests
  etag              send this ETag instead of the file's own (a file that changes later)
  ignore_range      answer "Range: bytes=N-" with 200 (else 206 when If-Range matches)
  ignore_if_range   answer "Range: bytes=N-" with 206 whatever If-Range says
  no_etag           send no ETag (Last-Modified, if any, is then the only validator)
  last_modified     send this Last-Modified (seconds since 1970); If-Range may name it
  range_416         answer any "Range: bytes=N-" with 416 (a file that shrank)
  proxy_authenticate  with status 407: the schemes named in Proxy-Authenticate, one header each

Request lines may be in absolute form, as clients send them through a proxy.

TLS modes of the whole server: good, wronghost (certificate for another
name), untrusted (chain to an unknown root), tls13 (TLS 1.3 only).

    python3 -m tests.server.release_server --root DIR --pki DIR --port P \
        --mount /api/host/releases [--tls good] [--control rules.json]
"""
import argparse
import email.utils
import hashlib
import http.server
import json
import os
import posixpath
import re
import select
import socketserver
import socket
import ssl
import threading
import time
import urllib.parse

LOOPBACK = ("127.0.0.1", "localhost", "::1")
PIECE = 65536
PAC_STALL_SECONDS = 60
_HOP = re.compile(r"^/hop/(\d+)(/.*)$")


class _Handler(http.server.BaseHTTPRequestHandler):
    server_version = "NorvaneTestRelease"
    protocol_version = "HTTP/1.0"  # one request per connection, like every transfer of the program

    def log_message(self, *args):
        pass

    def do_GET(self):
        release = self.server.release
        path = urllib.parse.urlsplit(self.path).path
        hops_left = None
        hop = _HOP.match(path)
        if hop:
            hops_left, path = int(hop.group(1)), hop.group(2)
        rule = release.take_rule(path, redirecting=hops_left is None)
        release.record(self.path, self.headers.get("User-Agent", ""))

        redirects = hops_left if hops_left is not None else (rule or {}).get("redirects", 0)
        if redirects:
            target = f"/hop/{redirects - 1}{path}"
            if not (rule or {}).get("relative") and not release.relative_hops:
                host = (rule or {}).get("redirect_host")
                target = f"https://{f'{host}:{release.port}' if host else self.headers.get('Host')}{target}"
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if rule and "status" in rule:
            self.send_response(rule["status"])
            for scheme in rule.get("proxy_authenticate", ()):
                self.send_header("Proxy-Authenticate", scheme)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return

        body = None
        if rule and "body" in rule:
            body = rule["body"].encode() if isinstance(rule["body"], str) else bytes(rule["body"])
        else:
            body = release.read_file(path)
        if body is None:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        etag = None if (rule or {}).get("no_etag") else \
            (rule or {}).get("etag") or '"%s"' % hashlib.sha1(body).hexdigest()[:16]
        modified = (rule or {}).get("last_modified")
        modified = email.utils.formatdate(modified, usegmt=True) if modified is not None else None
        if (rule or {}).get("range_416") and self.headers.get("Range"):
            self.send_response(416)
            self.send_header("Content-Range", f"bytes */{len(body)}")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        start = self._range_start(len(body), (etag, modified), rule)
        self.send_response(206 if start else 200)
        self.send_header("Content-Type", "application/octet-stream")
        if etag:
            self.send_header("ETag", etag)
        if modified:
            self.send_header("Last-Modified", modified)
        if start:
            self.send_header("Content-Range", f"bytes {start}-{len(body) - 1}/{len(body)}")
        declared = (rule or {}).get("content_length")
        if declared is None:
            self.send_header("Content-Length", str(len(body) - start))
        elif declared != "omit":
            self.send_header("Content-Length", str(declared))
        self.end_headers()
        truncate_at = (rule or {}).get("truncate_at")
        delay = (rule or {}).get("chunk_delay", 0)
        body = body[start:truncate_at]
        sent = 0
        try:
            for offset in range(0, len(body), PIECE):
                if delay:
                    time.sleep(delay)
                sent += self.wfile.write(body[offset:offset + PIECE])
            self.wfile.flush()
        except OSError:
            pass  # the client went away, for example after a cancel
        release.record_body(path, self.headers.get("Range"), sent)
        self.close_connection = True

    def _range_start(self, size, validators, rule):
        wanted = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
        if_range = self.headers.get("If-Range")
        usable = wanted and not (rule or {}).get("ignore_range") and \
            ((rule or {}).get("ignore_if_range") or if_range is None or if_range in [v for v in validators if v])
        return int(wanted.group(1)) if usable and int(wanted.group(1)) < size else 0


class _TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    address_family = socket.AF_INET

    def finish_request(self, request, client_address):
        release = self.release
        try:
            tls = release.context().wrap_socket(request, server_side=True)
        except (OSError, ssl.SSLError):
            release.count_handshake(False)
            return
        release.count_handshake(True)
        try:
            self.RequestHandlerClass(tls, client_address, self)
        except OSError:
            pass
        finally:
            try:
                tls.close()
            except OSError:
                pass


class ReleaseServer:
    def __init__(self, root, pki, mount, host="127.0.0.1", port=0, tls="good", control=None):
        if host not in LOOPBACK:
            raise ValueError("the release server listens on loopback only")
        self.root = os.path.abspath(root)
        self.pki = pki
        self.mount = mount.rstrip("/")
        self.tls = tls
        self.rules = []
        self.relative_hops = False
        self.control = control
        self._control_stamp = None
        self._lock = threading.Lock()
        self.requests = []
        self.bodies = []  # (path, Range header or None, body bytes sent)
        self.handshakes = {"ok": 0, "failed": 0}
        self._contexts = {}
        self._server = _TlsServer((host, port), _Handler)
        self._server.release = self
        self.port = self._server.server_address[1]
        self._thread = None

    # -- set-up --------------------------------------------------------------
    def base_url(self, host="127.0.0.1"):
        return f"https://{host}:{self.port}{self.mount}/latest/download"

    def start(self):
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.05},
                                        daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self._server.shutdown()
        self._server.server_close()

    def reset(self, tls="good"):
        with self._lock:
            self.rules = []
            self.requests = []
            self.bodies = []
            self.handshakes = {"ok": 0, "failed": 0}
            self.tls = tls
            self.relative_hops = False

    def add_rule(self, match, **fields):
        with self._lock:
            self.rules.append(dict(match=match, **fields))

    # -- serving -------------------------------------------------------------
    def context(self):
        mode = self.tls
        if mode not in self._contexts:
            chain, key = {"good": ("chain.pem", "leaf.key"), "tls13": ("chain.pem", "leaf.key"),
                          "wronghost": ("wronghost-chain.pem", "wronghost.key"),
                          "untrusted": ("rogue-chain.pem", "rogue.key")}[mode]
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(os.path.join(self.pki, chain), os.path.join(self.pki, key))
            if mode == "tls13":
                context.minimum_version = ssl.TLSVersion.TLSv1_3
            else:
                context.minimum_version = ssl.TLSVersion.TLSv1_2
                context.maximum_version = ssl.TLSVersion.TLSv1_2
            self._contexts[mode] = context
        return self._contexts[mode]

    def _reload_control(self):
        if not self.control or not os.path.exists(self.control):
            return
        stamp = os.stat(self.control).st_mtime_ns
        if stamp == self._control_stamp:
            return
        with open(self.control) as f:
            settings = json.load(f)
        self._control_stamp = stamp
        self.rules = list(settings.get("rules", []))
        self.tls = settings.get("tls", self.tls)

    def take_rule(self, path, redirecting):
        with self._lock:
            self._reload_control()
            for rule in self.rules:
                if not path.endswith(rule["match"]):
                    continue
                if not redirecting and set(rule) <= {"match", "redirects", "relative", "times"}:
                    continue  # a hop of a redirect chain is served as the plain file
                times = rule.get("times")
                if times is not None:
                    if times <= 0:
                        continue
                    rule["times"] = times - 1
                return dict(rule)
        return None

    def record(self, path, agent):
        with self._lock:
            self.requests.append((path, agent))

    def record_body(self, path, wanted, sent):
        with self._lock:
            self.bodies.append((path, wanted, sent))

    def count_handshake(self, ok):
        with self._lock:
            self.handshakes["ok" if ok else "failed"] += 1

    def read_file(self, path):
        if not path.startswith(self.mount + "/"):
            return None
        relative = posixpath.normpath(path[len(self.mount):]).lstrip("/")
        if relative.startswith("..") or "\\" in relative:
            return None
        full = os.path.join(self.root, *relative.split("/"))
        if not os.path.isfile(full):
            return None
        with open(full, "rb") as f:
            return f.read()

    def requested_paths(self):
        with self._lock:
            return [path for path, _ in self.requests]


class ConnectProxy(socketserver.ThreadingTCPServer):
    """Loopback proxy: CONNECT tunnels to 127.0.0.1 at the asked port whatever
    the host name (names that resolve nowhere reach the servers only through
    it); any GET gets the PAC text `pac`, or with `pac_stall` "silent" no
    answer at all, with "drip" one byte a second. With `tunnel_limit` it
    stops listening once it has opened that many tunnels; `port_map` sends
    tunnels for one port to another."""
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), _ProxyHandler)
        self.port, self.tunnels, self.pac = self.server_address[1], [], ""
        self.pac_stall, self.pac_requests, self.tunnel_limit, self.port_map = None, 0, None, {}
        threading.Thread(target=self.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True).start()

    def pac_naming_proxy_for(self, host):
        self.pac = f'function FindProxyForURL(u, h) {{ return h == "{host}" ? "PROXY 127.0.0.1:{self.port}" : "DIRECT"; }}'
        return f"http://127.0.0.1:{self.port}/proxy.pac"

    def stop(self):
        self.shutdown()
        self.server_close()


class _ProxyHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        self.server.pac_requests += 1
        stall = self.server.pac_stall
        if stall == "silent":
            time.sleep(PAC_STALL_SECONDS)
            return
        self.send_response(200)
        self.send_header("Content-Length", str(PAC_STALL_SECONDS if stall == "drip" else len(self.server.pac)))
        self.end_headers()
        try:
            for _ in range(PAC_STALL_SECONDS if stall == "drip" else 0):
                self.wfile.write(b" ")
                self.wfile.flush()
                time.sleep(1)
            if stall != "drip":
                self.wfile.write(self.server.pac.encode())
        except OSError:
            pass  # the client gave up

    def do_CONNECT(self):
        self.server.tunnels.append(self.path)
        if len(self.server.tunnels) == self.server.tunnel_limit:
            self.server.socket.close()  # later connections are refused; this tunnel carries on
        port = int(self.path.rsplit(":", 1)[1])
        with socket.create_connection(("127.0.0.1", self.server.port_map.get(port, port)), timeout=5) as upstream:
            self.send_response(200)
            self.end_headers()
            ends = {self.connection: upstream, upstream: self.connection}
            while ready := select.select(list(ends), [], [], 30)[0]:
                for source in ready:
                    data = source.recv(PIECE)
                    if not data:
                        return
                    ends[source].sendall(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--pki", required=True)
    parser.add_argument("--mount", required=True)
    parser.add_argument("--host", default="127.0.0.1", choices=LOOPBACK)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--tls", default="good", choices=("good", "wronghost", "untrusted", "tls13"))
    parser.add_argument("--control")
    args = parser.parse_args()
    server = ReleaseServer(args.root, args.pki, args.mount, args.host, args.port, args.tls, args.control)
    print(f"serving {server.base_url(args.host)}", flush=True)
    server._server.serve_forever(poll_interval=0.1)


if __name__ == "__main__":
    main()
