#!/usr/bin/python3
"""A loopback SMTP relay for the mail tests, built on aiosmtpd.

Listens on 127.0.0.1 only, one port per mode:
  accept       accepts every message and saves it
  refuse-rcpt  answers 550 to every RCPT TO
  refuse-data  answers 550 at the end of every message's data
  no-ehlo      answers 502 to EHLO (a client must fall back to HELO), then accepts
  mute         accepts connections and never says a word

Every accepted message is saved in DIR as NAME.eml, the bytes exactly as received after
DATA (the transfer's dot-stuffing undone, nothing decoded), where NAME is the first
recipient and a sequence number. Beside it, as Python's e-mail parser reads the message:
NAME.subject, NAME.from (display name, LF, address), NAME.body (decoded, UTF-8),
NAME.defects (one per line, empty when the parser found none) and NAME.envelope
(MAIL FROM, then each RCPT TO). The .eml file is written last, before the 250 reply.

When all ports listen, the lines "MODE 127.0.0.1:PORT" are printed and written to
DIR/ready (created at once, complete). Ends at SIGTERM or SIGINT.

  /usr/bin/python3 tests/smtp_sink.py --dir DIR [--mode MODE[=PORT]]...
Without --mode: accept, refuse-rcpt, refuse-data and no-ehlo, each on a free port.
"""

import argparse
import asyncio
import email
import email.policy
import itertools
import os
import re
import signal
import sys

from aiosmtpd.smtp import SMTP

MODES = ("accept", "refuse-rcpt", "refuse-data", "no-ehlo", "mute")
DEFAULT_MODES = ("accept", "refuse-rcpt", "refuse-data", "no-ehlo")

_sequence = itertools.count(1)


def write_file(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


class Handler:
    def __init__(self, folder, mode):
        self.folder = folder
        self.mode = mode

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.mode == "refuse-rcpt":
            return "550 5.1.1 Recipient refused by the test relay"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mode == "refuse-data":
            return "550 5.7.1 Message refused by the test relay"
        raw = envelope.original_content
        first = envelope.rcpt_tos[0] if envelope.rcpt_tos else "nobody"
        name = re.sub(r"[^A-Za-z0-9._@+-]", "_", first) + "-" + str(next(_sequence))
        base = os.path.join(self.folder, name)
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        defects = [type(d).__name__ for d in msg.defects]
        for part in msg.walk():
            for header in part.keys():
                defects += [type(d).__name__ for d in getattr(part[header], "defects", ())]
        try:
            body = msg.get_content()
        except Exception as e:  # a body the parser cannot decode is a finding, not a crash
            body = ""
            defects.append("get_content: " + repr(e))
        write_file(base + ".subject", str(msg.get("Subject", "")).encode("utf-8"))
        sender = msg.get("From")
        sender_text = ""
        if sender is not None and sender.addresses:
            sender_text = sender.addresses[0].display_name + "\n" + sender.addresses[0].addr_spec
        write_file(base + ".from", sender_text.encode("utf-8"))
        write_file(base + ".body", body.encode("utf-8", "surrogateescape"))
        write_file(base + ".defects", "".join(d + "\n" for d in defects).encode("utf-8"))
        envelope_text = "MAIL FROM:" + envelope.mail_from + "\n"
        envelope_text += "".join("RCPT TO:" + r + "\n" for r in envelope.rcpt_tos)
        write_file(base + ".envelope", envelope_text.encode("utf-8"))
        write_file(base + ".eml", raw)
        return "250 OK saved as " + name


class NoEhloSMTP(SMTP):
    async def smtp_EHLO(self, hostname):
        await self.push("502 5.5.1 EHLO not implemented here")


async def mute_client(reader, writer):
    # Hold the connection open and say nothing until the client gives up.
    try:
        while await reader.read(4096):
            pass
    finally:
        writer.close()


async def serve(args):
    os.makedirs(args.dir, exist_ok=True)
    servers = []
    lines = []
    for wanted in args.mode or DEFAULT_MODES:
        mode, _, port = wanted.partition("=")
        if mode not in MODES:
            sys.exit("unknown mode: " + mode)
        port = int(port or 0)
        if mode == "mute":
            server = await asyncio.start_server(mute_client, "127.0.0.1", port)
        else:
            handler = Handler(args.dir, mode)
            cls = NoEhloSMTP if mode == "no-ehlo" else SMTP
            loop = asyncio.get_running_loop()
            server = await loop.create_server(
                lambda cls=cls, handler=handler: cls(
                    handler, decode_data=False, hostname="sink.test", ident="druvo test relay"),
                "127.0.0.1", port)
        servers.append(server)
        lines.append("%s 127.0.0.1:%d" % (mode, server.sockets[0].getsockname()[1]))
    text = "".join(line + "\n" for line in lines)
    write_file(os.path.join(args.dir, "ready"), text.encode("ascii"))
    sys.stdout.write(text)
    sys.stdout.flush()

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    await stop.wait()
    for server in servers:
        server.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dir", required=True, help="folder for the saved messages and the ready file")
    parser.add_argument("--mode", action="append", help="MODE or MODE=PORT; may be repeated")
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
