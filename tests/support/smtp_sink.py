# A real SMTP server for the notification tests (aiosmtpd): listens on
# 127.0.0.1:PORT, writes every message it accepts to FOLDER/NNNN.eml, and
# runs until its standard input closes. Recipients named reject@... are
# refused for good (550), busy@... twice for now (451).
import os
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
        self.count += 1
        path = os.path.join(self.folder, "%04d.eml" % self.count)
        with open(path + ".part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(path + ".part", path)
        return "250 OK"


controller = Controller(Sink(sys.argv[2]), hostname="127.0.0.1", port=int(sys.argv[1]))
controller.start()
print("ready", flush=True)
sys.stdin.read()
controller.stop()
