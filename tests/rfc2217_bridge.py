#!/usr/bin/python3
"""pyserial's own RFC 2217 server side (serial.rfc2217.PortManager) in front of a serial device, as a new
user would set it up: a second kind of serial server for the tests, beside ser2net.

    rfc2217_bridge.py DEVICE

Listens on a free port of 127.0.0.1, prints "PORT <number>" once it listens, and serves one client at a
time until it is ended. Exit 3 when python3-serial is missing."""

import os
import select
import socket
import sys

try:
    import serial
    import serial.rfc2217
except ImportError:
    print("python3-serial is not installed", file=sys.stderr)
    sys.exit(3)


class PseudoTerminalPort(serial.Serial):
    """A pseudo-terminal has no modem lines: the PortManager's reports of them read as all off."""

    def _modem_line(self, name):
        try:
            return getattr(serial.Serial, name).fget(self)
        except OSError:
            return False

    cts = property(lambda self: self._modem_line("cts"))
    dsr = property(lambda self: self._modem_line("dsr"))
    ri = property(lambda self: self._modem_line("ri"))
    cd = property(lambda self: self._modem_line("cd"))


class Connection:
    """What the PortManager writes its Telnet answers to: the client's socket."""

    def __init__(self, client):
        self.client = client

    def write(self, data):
        self.client.sendall(data)


def serve(port, client):
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    manager = serial.rfc2217.PortManager(port, Connection(client))
    while True:
        readable, _, _ = select.select([client, port.fileno()], [], [])
        if client in readable:
            data = client.recv(4096)
            if not data:
                return
            port.write(b"".join(manager.filter(data)))
        if port.fileno() in readable:
            data = os.read(port.fileno(), 4096)
            if data:
                client.sendall(b"".join(manager.escape(data)))


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    port = PseudoTerminalPort(sys.argv[1], 9600, timeout=0)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print("PORT", listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        try:
            serve(port, client)
        except OSError as error:
            print("client lost:", error, file=sys.stderr, flush=True)
        finally:
            client.close()


if __name__ == "__main__":
    sys.exit(main())
