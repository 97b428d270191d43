#!/usr/bin/env python3
"""Serves a directory on the loopback interface with the headers that make the page cross-origin
isolated (COOP same-origin, COEP require-corp), so performance.now() in it is not rounded to 100 us.

    python3 tools/serve.py DIRECTORY [PORT]   (PORT 8000 unless given; 0 picks a free one)
"""
import functools
import http.server
import sys


class IsolatedHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-store")
        super().end_headers()


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: tools/serve.py DIRECTORY [PORT]")
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 8000
    handler = functools.partial(IsolatedHandler, directory=sys.argv[1])
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        print(f"serving {sys.argv[1]} on http://127.0.0.1:{server.server_address[1]}/novra.html", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
