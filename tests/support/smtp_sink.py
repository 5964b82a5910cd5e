# A real SMTP server for the notification tests (aiosmtpd): listens on a free
# port of 127.0.0.1, prints its URL, and runs until its standard input
# closes. Every message it accepts goes to FOLDER/NNNN.eml as received, then
# "--decoded--" and what a mail reader shows: the decoded subject, the
# decoded body, and the number of defects the parser found. Recipients named
# reject@... are refused for good (550), busy@... twice for now (451).
import email
import email.policy
import os
import socket
import sys

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.busy = 0

    async def handle_RCPT(self, server, session, envelope, address, options):
        if address.startswith("reject"):
            return "550 5.1.1 no such mailbox"
        if address.startswith("busy") and self.busy < 2:
            self.busy += 1
            return "451 4.3.0 try again later"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content
        message = email.message_from_bytes(raw, policy=email.policy.default)
        defects = len(message.defects) + sum(len(v.defects) for v in message.values())
        shown = "Subject: %s\n%s\nDefects: %d" % (
            message["subject"], "\n".join(message.get_content().splitlines()), defects)
        self.count += 1
        path = os.path.join(self.folder, "%04d.eml" % self.count)
        with open(path + ".part", "wb") as f:
            f.write(raw + b"--decoded--\n" + shown.encode("utf-8"))
        os.rename(path + ".part", path)
        return "250 OK"


probe = socket.socket()
probe.bind(("127.0.0.1", 0))
port = probe.getsockname()[1]
probe.close()
controller = Controller(Sink(sys.argv[1]), hostname="127.0.0.1", port=port)
controller.start()
print("smtp://127.0.0.1:%d" % port, flush=True)
sys.stdin.read()
controller.stop()
