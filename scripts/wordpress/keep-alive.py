#!/usr/bin/env python3
# A front that keeps its clients' connections open between requests, as Apache or nginx do before PHP,
# for PHP's own server, which closes each one: keep-alive.py PORT UPSTREAM_PORT. Each request goes on to
# 127.0.0.1:UPSTREAM_PORT as it came. An answer that carries its length leaves the connection open for
# the next request; one of the receiver's that does not can only be ended by closing it, and is, while
# WordPress's own pages are given their length, as Apache or nginx give them. Prints "connection" for
# each connection a client opens.
import http.client
import http.server
import sys
import urllib.parse

port = int(sys.argv[1])
upstream = int(sys.argv[2])
hop_by_hop = {"connection", "keep-alive", "proxy-connection", "te", "trailer", "transfer-encoding", "upgrade"}


class Front(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        super().setup()
        print("connection", flush=True)

    def relay(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        headers = {name: value for name, value in self.headers.items() if name.lower() not in hop_by_hop}
        php = http.client.HTTPConnection("127.0.0.1", upstream, timeout=300)
        php.request(self.command, self.path, body=body, headers=headers)
        answer = php.getresponse()
        data = answer.read()
        php.close()
        self.send_response_only(answer.status, answer.reason)
        for name, value in answer.getheaders():
            if name.lower() not in hop_by_hop:
                self.send_header(name, value)
        if answer.getheader("Content-Length") is None:
            if "rest_route=/kestrel/" in urllib.parse.unquote(self.path):
                # The receiver's answers must carry their own length: one that does not is ended by a close.
                self.send_header("Connection", "close")
                self.close_connection = True
            else:
                # WordPress's own pages, which PHP's server ends by closing, get theirs here, as Apache or
                # nginx give them.
                self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    do_GET = do_POST = do_HEAD = relay

    def log_message(self, *arguments):
        pass


http.server.ThreadingHTTPServer(("127.0.0.1", port), Front).serve_forever()
