// parseScenario: the scenario file's JSON, checked key by key. The first
// problem found becomes the one-line message; nothing is half applied.
#include "Scenario.h"

#include "common/Text1252.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <initializer_list>

namespace orvane {

namespace {

constexpr qint64 kMaxWholeNumber = qint64(1) << 53; // exact in a JSON number

class ScenarioReader
{
public:
    explicit ScenarioReader(const QString &fileName)
        : m_fileName(fileName)
    {
    }

    QString error() const { return m_error; }

    bool read(const QJsonObject &root, Scenario &out)
    {
        if (!checkKeys(root, QString(),
                { "seed", "latencyMs", "identity", "devices", "modules", "lossRate", "corruptRate",
                    "truncateRate", "unplugAfterMs", "replugAfterMs", "replugSerial",
                    "replugLocation" }))
            return false;
        qint64 seed = static_cast<qint64>(out.seed);
        if (!readWhole(root, "seed", QString(), 0, kMaxWholeNumber, seed)
            || !readWhole(root, "latencyMs", QString(), 0, kMaxLatencyMs, out.latencyMs)
            || !readWhole(root, "unplugAfterMs", QString(), 0, kMaxWholeNumber, out.unplugAfterMs)
            || !readText(root, "identity", QString(), kMaxAnswerLength, out.identity)
            || !readRate(root, "lossRate", QString(), out.lossRate)
            || !readRate(root, "corruptRate", QString(), out.corruptRate)
            || !readRate(root, "truncateRate", QString(), out.truncateRate))
            return false;
        out.seed = static_cast<quint64>(seed);
        if (root.contains("devices") && !readDevices(root.value("devices"), out.devices))
            return false;
        if (root.contains("modules") && !readModules(root.value("modules"), out.modules))
            return false;
        return readReplug(root, out);
    }

private:
    static QString at(const QString &path, const QString &key)
    {
        return path.isEmpty() ? key : path + '.' + key;
    }

    bool fail(const QString &what, const QString &problem)
    {
        if (m_error.isEmpty())
            m_error = what.isEmpty() ? QStringLiteral("%1: %2").arg(m_fileName, problem)
                                     : QStringLiteral("%1: %2 %3").arg(m_fileName, what, problem);
        return false;
    }

    bool checkKeys(
        const QJsonObject &object, const QString &path, std::initializer_list<const char *> allowed)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            for (const char *key : allowed)
                known = known || it.key() == QLatin1String(key);
            if (!known)
                return fail(path, QStringLiteral("has an unknown key \"%1\"").arg(it.key()));
        }
        return true;
    }

    bool wholeNumber(
        const QJsonValue &value, const QString &what, qint64 min, qint64 max, qint64 &out)
    {
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || std::floor(number) != number || number < double(min)
            || number > double(max))
            return fail(
                what, QStringLiteral("must be a whole number from %1 to %2").arg(min).arg(max));
        out = static_cast<qint64>(number);
        return true;
    }

    bool readWhole(const QJsonObject &object, const char *key, const QString &path, qint64 min,
        qint64 max, qint64 &out)
    {
        if (!object.contains(QLatin1String(key)))
            return true;
        return wholeNumber(object.value(QLatin1String(key)), at(path, key), min, max, out);
    }

    bool readInt(const QJsonObject &object, const char *key, const QString &path, int min, int max,
        int &out, bool required)
    {
        if (!object.contains(QLatin1String(key)))
            return !required || fail(at(path, key), QStringLiteral("is missing"));
        qint64 value = 0;
        if (!wholeNumber(object.value(QLatin1String(key)), at(path, key), min, max, value))
            return false;
        out = static_cast<int>(value);
        return true;
    }

    bool readRate(const QJsonObject &object, const char *key, const QString &path, double &out)
    {
        if (!object.contains(QLatin1String(key)))
            return true;
        const QJsonValue value = object.value(QLatin1String(key));
        const double rate = value.toDouble(-1);
        if (!value.isDouble() || !(rate >= 0 && rate <= 1))
            return fail(at(path, key), QStringLiteral("must be a number from 0 to 1"));
        out = rate;
        return true;
    }

    bool readText(const QJsonObject &object, const char *key, const QString &path, int maxLength,
        QByteArray &out, bool required = false)
    {
        const QString what = at(path, key);
        if (!object.contains(QLatin1String(key)))
            return !required || fail(what, QStringLiteral("is missing"));
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isString())
            return fail(what, QStringLiteral("must be a text"));
        const QString text = value.toString();
        if (text.size() > maxLength)
            return fail(what, QStringLiteral("must be at most %1 characters").arg(maxLength));
        const QByteArray bytes = toWindows1252(text);
        if (fromWindows1252(bytes) != text)
            return fail(what, QStringLiteral("must hold only Windows-1252 characters"));
        out = bytes;
        return true;
    }

    bool readDevices(const QJsonValue &value, std::vector<ScenarioDevice> &out)
    {
        if (!value.isArray())
            return fail("devices", QStringLiteral("must be an array"));
        const QJsonArray array = value.toArray();
        if (array.size() > kMaxScenarioDevices)
            return fail(
                "devices", QStringLiteral("must hold at most %1 entries").arg(kMaxScenarioDevices));
        std::vector<ScenarioDevice> devices;
        int interfaceIndex = -1;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString path = QStringLiteral("devices[%1]").arg(i);
            if (!array.at(i).isObject())
                return fail(path, QStringLiteral("must be an object"));
            const QJsonObject object = array.at(i).toObject();
            ScenarioDevice device;
            int location = 0;
            if (!checkKeys(object, path, { "serial", "description", "location", "interface" })
                || !readText(object, "serial", path, 15, device.serial, true)
                || !readText(object, "description", path, 63, device.description)
                || !readInt(object, "location", path, 1, 0x7FFFFFFF, location, true))
                return false;
            device.location = static_cast<DWORD>(location);
            if (object.contains("interface")) {
                if (!object.value("interface").isBool())
                    return fail(at(path, "interface"), QStringLiteral("must be true or false"));
                device.isInterface = object.value("interface").toBool();
            }
            for (size_t j = 0; j < devices.size(); ++j) {
                if (devices[j].location == device.location)
                    return fail(at(path, "location"),
                        QStringLiteral("%1 is already used by devices[%2]").arg(location).arg(j));
            }
            if (device.isInterface && interfaceIndex >= 0)
                return fail(at(path, "interface"),
                    QStringLiteral("is set twice (devices[%1] is the interface)")
                        .arg(interfaceIndex));
            if (device.isInterface)
                interfaceIndex = static_cast<int>(i);
            devices.push_back(device);
        }
        out = devices;
        return true;
    }

    // The interface's return: after its unplug, and on a location no other
    // device uses.
    bool readReplug(const QJsonObject &root, Scenario &out)
    {
        int location = 0;
        if (!readWhole(root, "replugAfterMs", QString(), 0, kMaxWholeNumber, out.replugAfterMs)
            || !readText(root, "replugSerial", QString(), 15, out.replugSerial)
            || !readInt(root, "replugLocation", QString(), 1, 0x7FFFFFFF, location, false))
            return false;
        out.replugLocation = static_cast<DWORD>(location);
        if (out.replugAfterMs > 0
            && (out.unplugAfterMs == 0 || out.replugAfterMs <= out.unplugAfterMs))
            return fail("replugAfterMs", QStringLiteral("must be later than unplugAfterMs"));
        if (out.replugAfterMs == 0 && (root.contains("replugSerial") || location != 0))
            return fail(root.contains("replugSerial") ? "replugSerial" : "replugLocation",
                QStringLiteral("needs replugAfterMs"));
        for (size_t j = 0; j < out.devices.size() && location != 0; ++j) {
            if (!out.devices[j].isInterface && out.devices[j].location == out.replugLocation)
                return fail("replugLocation",
                    QStringLiteral("%1 is already used by devices[%2]").arg(location).arg(j));
        }
        return true;
    }

    bool readWave(const QJsonObject &object, const QString &path, SimWave &out)
    {
        if (!object.contains("wave"))
            return true;
        const QString wave = object.value("wave").toString();
        if (wave == "constant")
            out = SimWave::Constant;
        else if (wave == "sine")
            out = SimWave::Sine;
        else if (wave == "walk")
            out = SimWave::Walk;
        else
            return fail(
                at(path, "wave"), QStringLiteral("must be \"constant\", \"sine\" or \"walk\""));
        return true;
    }

    bool readRaw(const QJsonObject &object, const QString &path, ScenarioModule &module)
    {
        if (!object.contains("raw"))
            return true;
        const QString what = at(path, "raw");
        const QJsonValue value = object.value("raw");
        if (!value.isArray() || value.toArray().size() != 5)
            return fail(what, QStringLiteral("must hold 5 numbers"));
        const QJsonArray array = value.toArray();
        for (int i = 0; i < 5; ++i) {
            const RawRange range = scenarioRawRange(module.type, i);
            qint64 number = 0;
            if (!wholeNumber(array.at(i), QStringLiteral("%1[%2]").arg(what).arg(i), range.min,
                    range.max, number))
                return false;
            module.raw[i] = static_cast<int>(number);
        }
        return true;
    }

    bool readOptionalRate(
        const QJsonObject &object, const char *key, const QString &path, std::optional<double> &out)
    {
        if (!object.contains(QLatin1String(key)))
            return true;
        double rate = 0;
        if (!readRate(object, key, path, rate))
            return false;
        out = rate;
        return true;
    }

    bool readModule(const QJsonObject &object, const QString &path, ScenarioModule &module)
    {
        qint64 amplitude = 0;
        if (!checkKeys(object, path,
                { "band", "type", "serial", "answer", "raw", "wave", "amplitude", "periodMs",
                    "lossRate", "corruptRate", "truncateRate" })
            || !readInt(object, "band", path, 0, 3, module.band, true)
            || !readInt(object, "type", path, 0, 9, module.type, true)
            || !readText(object, "serial", path, kMaxModuleSerialLength, module.serial)
            || !readText(object, "answer", path, kMaxAnswerLength, module.answer)
            || !readRaw(object, path, module) || !readWave(object, path, module.wave)
            || !readWhole(object, "amplitude", path, 0, 65535, amplitude)
            || !readWhole(object, "periodMs", path, 100, 24 * 3600 * 1000, module.periodMs)
            || !readOptionalRate(object, "lossRate", path, module.lossRate)
            || !readOptionalRate(object, "corruptRate", path, module.corruptRate)
            || !readOptionalRate(object, "truncateRate", path, module.truncateRate))
            return false;
        if (object.contains("amplitude"))
            module.amplitude = static_cast<double>(amplitude);
        if (!object.contains("serial"))
            module.serial = QStringLiteral("0x%1%2")
                                .arg(module.type)
                                .arg(module.band, 5, 10, QChar('0'))
                                .toLatin1();
        return true;
    }

    bool readModules(const QJsonValue &value, std::vector<ScenarioModule> &out)
    {
        if (!value.isArray())
            return fail("modules", QStringLiteral("must be an array"));
        const QJsonArray array = value.toArray();
        if (array.size() > 4)
            return fail("modules", QStringLiteral("must hold at most 4 entries (one per band)"));
        std::vector<ScenarioModule> modules;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString path = QStringLiteral("modules[%1]").arg(i);
            if (!array.at(i).isObject())
                return fail(path, QStringLiteral("must be an object"));
            ScenarioModule module;
            if (!readModule(array.at(i).toObject(), path, module))
                return false;
            for (size_t j = 0; j < modules.size(); ++j) {
                if (modules[j].band == module.band)
                    return fail(at(path, "band"),
                        QStringLiteral("%1 is already used by modules[%2]")
                            .arg(module.band)
                            .arg(j));
            }
            modules.push_back(module);
        }
        out = modules;
        return true;
    }

    QString m_fileName;
    QString m_error;
};

} // namespace

bool parseScenario(
    const QByteArray &json, const QString &fileNameForMessages, Scenario &out, QString *error)
{
    const auto report = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (json.size() > kMaxScenarioFileBytes)
        return report(QStringLiteral("%1: larger than 1 MiB").arg(fileNameForMessages));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return report(QStringLiteral("%1: JSON syntax error at offset %2: %3")
                          .arg(fileNameForMessages)
                          .arg(parseError.offset)
                          .arg(parseError.errorString()));
    if (!document.isObject())
        return report(QStringLiteral("%1: must hold one JSON object").arg(fileNameForMessages));

    Scenario scenario;
    ScenarioReader reader(fileNameForMessages);
    if (!reader.read(document.object(), scenario))
        return report(reader.error());
    out = scenario;
    return true;
}

} // namespace orvane
