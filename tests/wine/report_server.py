"""The report server's local stand-in, Velmora.exe's HTTP proxy: records each request and answers
as `mode` says: OK with a 401 until Basic credentials come; SILENT never; ENDLESS; RESET."""

import base64
import socket
import struct
import threading

OK, SILENT, ENDLESS, RESET = "ok", "silent", "endless", "reset"
GOOD_AUTHORIZATION = "Basic " + base64.b64encode(b"user_zarvoprinter:kvrt_904571").decode()


class ReportServer:
    def __init__(self, mode=OK):
        self.mode, self.requests, self.stopping = mode, [], threading.Event()
        self.listener = socket.create_server(("127.0.0.1", 0))

    def __enter__(self):
        threading.Thread(target=self.serve, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.stopping.set()
        self.listener.close()

    def proxy_env(self):
        return {"http_proxy": "http://127.0.0.1:%d" % self.listener.getsockname()[1]}

    def serve(self):
        try:
            while True:
                threading.Thread(target=self.answer, args=(self.listener.accept()[0], self.mode),
                                 daemon=True).start()
        except OSError:
            pass  # the listener is closed

    def answer(self, connection, mode):
        with connection, connection.makefile("rb") as stream:
            try:
                connection.settimeout(10)
                line, *fields = iter(lambda: stream.readline(65536).strip().decode(), "")
                headers = (field.split(": ", 1) for field in fields)
                self.requests.append((line, {key.lower(): value for key, value in headers}))
                if mode == SILENT:
                    self.stopping.wait(60)
                elif mode == RESET:  # closed with a zero linger time: a reset, not a FIN
                    connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                          struct.pack("ii", 1, 0))
                elif mode == ENDLESS:
                    connection.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
                    while not self.stopping.is_set():
                        connection.sendall(b"x" * 65536)
                elif self.requests[-1][1].get("authorization") == GOOD_AUTHORIZATION:
                    connection.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nOK\r\n")
                else:
                    connection.sendall(b"HTTP/1.0 401 Unauthorized\r\nContent-Length: 0\r\n"
                                       b'WWW-Authenticate: Basic realm="zarvoprinter"\r\n\r\n')
            except (OSError, ValueError):
                pass  # the client has gone, as a program that ends before the answer does
