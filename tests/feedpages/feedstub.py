#!/usr/bin/env python3
"""A stand-in for the program's feed server, for testing the pages alone.

Serves the pages from a folder as the program does (/ index.html, /penalties, /overlay, /feed.js,
/feed.css) and a WebSocket at /feed that plays a script: a JSON list with one entry per
connection, each a list of steps {"send": message}, {"waitMs": n}, {"waitFile": path} (until the
file exists), {"silent": true} (no keep-alive from then on, as over a link that died without
closing), {"close": true} (ends the connection) or {"stop": true} (ends the connection and stops
listening, as a program that quit).
As the program does, every connection gets a keep-alive every 2 seconds until it goes silent. A
connection beyond the script is held open with keep-alives only. Prints the port it listens on.
"""
import base64
import hashlib
import http.server
import json
import os
import socket
import struct
import sys
import threading
import time

PAGES = {'/': ('index.html', 'text/html'), '/penalties': ('penalties.html', 'text/html'),
         '/overlay': ('overlay.html', 'text/html'), '/feed.js': ('feed.js', 'text/javascript'),
         '/feed.css': ('feed.css', 'text/css')}
GUID = '258EAFA5-E914-47DA-95CA-C5AB0DC85B11'
KEEP_ALIVE = '{"keepAlive":true}'
KEEP_ALIVE_SECONDS = 2.0


def frame(payload, opcode=1):
    data = payload.encode('utf-8') if isinstance(payload, str) else payload
    header = bytes([0x80 | opcode])
    if len(data) < 126:
        header += bytes([len(data)])
    elif len(data) < 65536:
        header += bytes([126]) + struct.pack('!H', len(data))
    else:
        header += bytes([127]) + struct.pack('!Q', len(data))
    return header + data


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split('?')[0]
        if path == '/feed' and self.headers.get('Upgrade', '').lower() == 'websocket':
            self.play()
            return
        if path not in PAGES:
            self.send_error(404)
            return
        name, kind = PAGES[path]
        with open(os.path.join(self.server.pages, name), 'rb') as f:
            body = f.read()
        self.send_response(200)
        self.send_header('Content-Type', kind + '; charset=utf-8')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def play(self):
        key = self.headers.get('Sec-WebSocket-Key', '')
        accept = base64.b64encode(hashlib.sha1((key + GUID).encode()).digest()).decode()
        self.wfile.write(('HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n'
                          'Connection: Upgrade\r\nSec-WebSocket-Accept: ' + accept
                          + '\r\n\r\n').encode('ascii'))
        self.wfile.flush()
        with self.server.lock:
            number = self.server.connections
            self.server.connections += 1
        steps = self.server.script[number] if number < len(self.server.script) else []
        self.writing = threading.Lock()
        self.silent = threading.Event()
        threading.Thread(target=self.keep_alive, daemon=True).start()
        for step in steps:
            if 'send' in step:
                message = dict(step['send'])
                message['sentMs'] = int(time.time() * 1000)
                self.write(frame(json.dumps(message)))
            elif 'silent' in step:
                self.silent.set()
            elif 'waitMs' in step:
                time.sleep(step['waitMs'] / 1000.0)
            elif 'waitFile' in step:
                while not os.path.exists(step['waitFile']):
                    time.sleep(0.02)
            elif 'close' in step or 'stop' in step:
                self.silent.set()
                self.write(frame(b'', 8))
                self.close_connection = True
                if 'stop' in step:
                    self.server.stopping = True
                    threading.Thread(target=self.server.shutdown, daemon=True).start()
                return
        # Held open until the page goes.
        self.connection.settimeout(None)
        try:
            while self.connection.recv(4096):
                pass
        except OSError:
            pass
        self.silent.set()
        self.close_connection = True

    def write(self, data):
        with self.writing:
            self.wfile.write(data)
            self.wfile.flush()

    def keep_alive(self):
        while not self.silent.wait(KEEP_ALIVE_SECONDS):
            try:
                self.write(frame(KEEP_ALIVE))
            except (OSError, ValueError):
                return


def main():
    pages, script_file = sys.argv[1], sys.argv[2]
    with open(script_file, encoding='utf-8') as f:
        script = json.load(f)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    server.daemon_threads = True
    server.pages = pages
    server.script = script
    server.connections = 0
    server.lock = threading.Lock()
    print(server.server_address[1], flush=True)
    server.serve_forever()
    server.server_close()


if __name__ == '__main__':
    main()
