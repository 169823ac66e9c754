#!/usr/bin/env python3
"""A small CDDB-over-HTTP server for the tests, on 127.0.0.1.

Usage: cddb_server.py <folder>. Binds a free port and prints it on the first
line of standard output. For every request it reads <folder>/scenario.json
afresh and appends one JSON line to <folder>/requests.log before answering.

scenario.json:
  {"script": "/~cddb/cddb.cgi",
   "query": REPLY,                      # reply to "cddb query ..."
   "read": {"rock 0a0b0c0d": REPLY},    # reply to "cddb read rock 0a0b0c0d"
   "redirected": REPLY,                 # reply to a request carrying "redirected=1"
   "proxy_status": 407}                 # optional: refuse requests sent as to a proxy
REPLY is a string (the CDDB reply, sent with HTTP 200) or an object:
  {"body": str, "status": 200, "repeat": n (body repeated n times),
   "delay": seconds (before answering), "cut": bytes (announce the full
   length, send that many bytes, close), "location": url (a redirect)}
Commands without a reply in the scenario get "500 Unrecognized command".
"""

import json
import os
import sys
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # keep the test output clean
        pass

    def do_GET(self):
        folder = self.server.folder
        with open(os.path.join(folder, "scenario.json"), encoding="utf-8") as f:
            scenario = json.load(f)
        via_proxy = self.path.startswith("http://")
        split = urllib.parse.urlsplit(self.path)
        fields = urllib.parse.parse_qs(split.query, keep_blank_values=True)
        record = {
            "raw": self.path,
            "path": split.path,
            "query": split.query,
            "host": self.headers.get("Host", ""),
            "via_proxy": via_proxy,
            "cmd": fields.get("cmd", [""])[0],
            "hello": fields.get("hello", [""])[0],
            "proto": fields.get("proto", [""])[0],
        }
        with open(os.path.join(folder, "requests.log"), "a", encoding="utf-8") as f:
            f.write(json.dumps(record) + "\n")

        if via_proxy and scenario.get("proxy_status"):
            return self.reply_with(scenario["proxy_status"], b"proxy says no\n")
        if split.path != scenario.get("script", "/~cddb/cddb.cgi"):
            return self.reply_with(404, b"not found\n")
        words = record["cmd"].split()
        reply = None
        if "redirected" in fields:
            reply = scenario.get("redirected")
        elif words[:2] == ["cddb", "query"]:
            reply = scenario.get("query")
        elif words[:2] == ["cddb", "read"] and len(words) == 4:
            reply = scenario.get("read", {}).get(words[2] + " " + words[3])
        if reply is None:
            reply = "500 Unrecognized command.\r\n"
        if isinstance(reply, str):
            reply = {"body": reply}
        time.sleep(reply.get("delay", 0))
        if "location" in reply:
            self.send_response(302)
            self.send_header("Location", reply["location"])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = reply.get("body", "").encode("utf-8") * reply.get("repeat", 1)
        self.reply_with(reply.get("status", 200), body, reply.get("cut"))

    def reply_with(self, status, body, cut=None):
        try:
            self.send_response(status)
            self.send_header("Content-Type", "text/plain; charset=UTF-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body if cut is None else body[:cut])
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up waiting, as it should
        if cut is not None:
            self.close_connection = True


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.folder = sys.argv[1]
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
