"""A local stand-in for the report server: a threaded HTTP server on 127.0.0.1 that records every
request and answers in the way a test chose, well or badly. Velmora.exe reaches it as its HTTP
proxy, so the request target is usually the absolute URL of the report host; both forms are
accepted."""

import base64
import http.server
import random
import socket
import struct
import threading
import time
import urllib.parse

USER = "user_zarvoprinter"
PASSWORD = "kvrt_904571"
GOOD_AUTHORIZATION = "Basic " + base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()

# How the server answers.
OK = "ok"                # 200 with a two-line body
AUTH = "auth"            # 401 with a Basic challenge until the right credentials come, then 200
REDIRECT = "redirect"    # 302 to another path on the same host
ERROR = "error"          # 500 with a body
EMPTY = "empty"          # 200 with an empty body
STALL = "stall"          # no answer until the server is closed (at most STALL_SECONDS)
# Hostile ones.
NO_ACCEPT = "no-accept"  # the listen queue is full: a connection is never accepted
DRIP = "drip"            # a 200 answer, one byte a second (at most STALL_SECONDS)
HUGE = "huge"            # 200 with a body of HUGE_SIZE bytes and no line feed, as fast as it goes
GARBAGE = "garbage"      # bytes that are not HTTP, then the connection is closed
RESET = "reset"          # the request is read, then the connection is reset
MOVED = "moved"          # 301 to another path on the same host
UNAUTHORIZED = "unauthorized"  # 401 with a Basic challenge, whatever credentials come
MODES = (OK, AUTH, REDIRECT, ERROR, EMPTY, STALL, NO_ACCEPT, DRIP, HUGE, GARBAGE, RESET, MOVED,
         UNAUTHORIZED)

STALL_SECONDS = 60
HUGE_SIZE = 10 * 1024 * 1024

OK_BODY = b"OK\r\nsecond line\r\n"
REDIRECT_PATH = "/zarvoprinter/servlet/Moved"
DRIP_ANSWER = (b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 17\r\n\r\n" +
               OK_BODY)
# NUL bytes, stray CRs and LFs, and byte pairs that are not GBK; never a status line.
GARBAGE_ANSWER = (b"\x00\xff\xfe\x80\x7f\r\n\x00\n\xa1\x00\xfe\xff" +
                  random.Random(6).randbytes(4096) + b"\r\n\r\n")


class Request:
    def __init__(self, method, target, version, headers, status):
        self.method = method
        self.target = target            # the request-line target as sent
        self.version = version          # e.g. "HTTP/1.0"
        self.headers = headers          # header name (lower case) -> value
        self.status = status            # what the server answered, or the mode that answers
                                        # with no status of its own

    @property
    def path(self):
        """The target's path, whether it came as an absolute URL or as a path."""
        return urllib.parse.urlsplit(self.target).path

    @property
    def host(self):
        """The host the request was meant for: from an absolute target, else the Host header."""
        netloc = urllib.parse.urlsplit(self.target).netloc
        return (netloc or self.headers.get("host", "")).split(":")[0]

    def __repr__(self):
        return (f"Request({self.method} {self.target} {self.version} -> {self.status}, "
                f"headers={self.headers})")


class _Handler(http.server.BaseHTTPRequestHandler):
    server_version = "ZarvoReport/1.0"
    protocol_version = "HTTP/1.0"  # one request per connection

    def do_GET(self):
        self.server.owner._answer(self)

    do_POST = do_HEAD = do_PUT = do_GET

    def log_message(self, *args):
        pass


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, *args):
        self.to_reset = set()
        super().__init__(*args)

    def shutdown_request(self, request):
        # A connection to reset is closed at once with a zero linger time: an RST, no FIN first.
        if request in self.to_reset:
            self.to_reset.discard(request)
            request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            request.close()
            return
        super().shutdown_request(request)


class ReportServer:
    """with ReportServer(mode) as server: ...; server.proxy_env() is what Velmora.exe needs."""

    def __init__(self, mode=OK):
        assert mode in MODES, mode
        self.mode = mode
        self._lock = threading.Lock()
        self._changed = threading.Condition(self._lock)
        self._requests = []
        self._release = threading.Event()
        self._server = None
        self._thread = None
        self._listener = None
        self._queued = []

    def __enter__(self):
        if self.mode == NO_ACCEPT:
            self._fill_listen_queue()
            return self
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.owner = self
        self._server.timeout = 1
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"poll_interval": 0.1}, daemon=True)
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._release.set()
        if self._listener is not None:
            for connection in self._queued:
                connection.close()
            self._listener.close()
            return
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(timeout=10)

    def _fill_listen_queue(self):
        """A listener that never accepts, its queue filled by connections of our own: the
        kernel then answers no further connection attempt, which waits until its time-out."""
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(0)
        for _ in range(16):
            probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            probe.settimeout(0.5)
            try:
                probe.connect(self._listener.getsockname())
            except socket.timeout:
                probe.close()
                return
            self._queued.append(probe)
        raise RuntimeError("the listen queue never filled")

    @property
    def port(self):
        if self._listener is not None:
            return self._listener.getsockname()[1]
        return self._server.server_address[1]

    def proxy_env(self):
        return {"http_proxy": f"http://127.0.0.1:{self.port}"}

    @property
    def requests(self):
        with self._lock:
            return list(self._requests)

    def wait_for_requests(self, count, timeout):
        """Waits up to `timeout` seconds until at least `count` requests have come."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while len(self._requests) < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                self._changed.wait(left)
            return list(self._requests)

    def settle(self, quiet=1.0, timeout=10.0):
        """Waits until no request has come for `quiet` seconds (at most `timeout`); a late
        second request then has had its chance to arrive."""
        deadline = time.monotonic() + timeout
        with self._changed:
            seen = len(self._requests)
            while time.monotonic() < deadline:
                self._changed.wait(min(quiet, max(0.0, deadline - time.monotonic())))
                if len(self._requests) == seen:
                    break
                seen = len(self._requests)
            return list(self._requests)

    def _answer(self, handler):
        headers = {name.lower(): value for name, value in handler.headers.items()}
        misbehaving = self.mode in (DRIP, HUGE, GARBAGE, RESET)
        status, extra, body = self._response(headers, handler)
        with self._changed:
            self._requests.append(Request(handler.command, handler.path, handler.request_version,
                                          headers, self.mode if misbehaving else status))
            self._changed.notify_all()
        if misbehaving:
            self._misbehave(handler)
            return
        if self.mode == STALL:
            self._release.wait(STALL_SECONDS)
        try:
            handler.send_response(status)
            for name, value in extra:
                handler.send_header(name, value)
            handler.send_header("Content-Length", str(len(body)))
            handler.send_header("Connection", "close")
            handler.end_headers()
            if handler.command != "HEAD":
                handler.wfile.write(body)
        except ConnectionError:
            pass  # the client has gone, as a program that ends before the answer does

    def _misbehave(self, handler):
        try:
            if self.mode == DRIP:
                for i in range(len(DRIP_ANSWER)):
                    if self._release.wait(1.0):
                        break
                    handler.wfile.write(DRIP_ANSWER[i:i + 1])
            elif self.mode == HUGE:
                handler.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                    b"Content-Length: %d\r\n\r\n" % HUGE_SIZE)
                chunk = b"x" * 65536
                for _ in range(HUGE_SIZE // len(chunk)):
                    handler.wfile.write(chunk)
            elif self.mode == GARBAGE:
                handler.wfile.write(GARBAGE_ANSWER)
            elif self.mode == RESET:
                handler.server.to_reset.add(handler.connection)
        except OSError:
            pass  # the client has gone

    def _response(self, headers, handler):
        if self.mode in (AUTH, UNAUTHORIZED):
            if self.mode == AUTH and headers.get("authorization") == GOOD_AUTHORIZATION:
                return 200, [("Content-Type", "text/plain")], OK_BODY
            return (401, [("WWW-Authenticate", 'Basic realm="zarvoprinter"'),
                          ("Content-Type", "text/plain")], b"authorization required\r\n")
        if self.mode in (REDIRECT, MOVED):
            target = urllib.parse.urlsplit(handler.path)
            host = target.netloc or headers.get("host", "")
            return (302 if self.mode == REDIRECT else 301,
                    [("Location", f"http://{host}{REDIRECT_PATH}")], b"moved\r\n")
        if self.mode == ERROR:
            return 500, [("Content-Type", "text/plain")], b"internal error\r\n"
        if self.mode == EMPTY:
            return 200, [], b""
        return 200, [("Content-Type", "text/plain")], OK_BODY


def dead_proxy_env():
    """A proxy setting that points at a loopback port where nothing listens."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    return {"http_proxy": f"http://127.0.0.1:{port}"}
