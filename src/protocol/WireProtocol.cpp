#include "WireProtocol.h"

namespace orvane {

namespace {
QByteArray moduleFrame(qsizetype size, int slot, char command)
{
    QByteArray frame(size, Qt::Uninitialized);
    frame[0] = kModuleStart;
    frame[1] = addressDigit(slot);
    frame[2] = command;
    return frame;
}
} // namespace

QByteArray identityRequest()
{
    const char frame[] = { kIdentityStart, kQueryCommand };
    return QByteArray(frame, sizeof frame);
}

QByteArray scanRequest(int band)
{
    return moduleFrame(3, band, kQueryCommand);
}

QByteArray type1PollRequest(int slot, quint8 state1, quint8 state2)
{
    QByteArray frame = moduleFrame(kType1PollSize, slot, kType1PollCommand);
    frame[3] = '\0';
    frame[4] = char(state1);
    frame[5] = '\0';
    frame[6] = char(state2);
    return frame;
}

QByteArray type2PollRequest(int slot, Type2Output output1, Type2Output output2)
{
    QByteArray frame = moduleFrame(kType2PollSize, slot, kType2PollCommand);
    int at = 3;
    for (const Type2Output &output : { output1, output2 }) {
        frame[at++] = char(output.mode);
        frame[at++] = char(output.threshold >> 8);
        frame[at++] = char(output.threshold & 0xFF);
    }
    frame[9] = char(checkByte(QByteArrayView(frame).sliced(2, 7)));
    return frame;
}

bool namesInterface(const QByteArray &answer)
{
    return answer.toUpper().contains(kInterfaceIdentity);
}

ScanAnswer parseScanAnswer(const QByteArray &answer)
{
    ScanAnswer result;
    result.namesModule = answer.contains(kModuleIdentity);
    if (!result.namesModule)
        return result;
    const qsizetype p = answer.indexOf(", 0x");
    // The serial number text starts at the "0" of "0x" and needs six more
    // characters after "0x"; an answer without them identifies nothing.
    if (p < 0 || answer.size() - (p + 2) < kSerialTextSize)
        return result;
    result.wellFormed = true;
    result.serial = answer.mid(p + 2, kSerialTextSize);
    result.type = int(static_cast<unsigned char>(answer.at(p + 4))) - '0';
    return result;
}

ReplyCheck checkReply(const QByteArray &received)
{
    ReplyCheck check;
    if (received.isEmpty()) {
        check.fault = ReplyFault::Nothing;
        return check;
    }
    const int length = int(static_cast<unsigned char>(received.at(0))) - kReplyLengthBias;
    if (length <= 0) {
        check.fault = ReplyFault::LengthByte;
        return check;
    }
    if (received.size() < length) {
        check.fault = ReplyFault::TooShort;
        return check;
    }
    // Bytes beyond the packet's own length are dropped here.
    const QByteArrayView packet = QByteArrayView(received).first(length);
    if (checkByte(packet.first(length - 1)) != static_cast<unsigned char>(packet.back())) {
        check.fault = ReplyFault::CheckByte;
        return check;
    }
    check.packet = received.first(length);
    return check;
}

} // namespace orvane
