#include "CardGen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

#include <algorithm>
#include <stdexcept>

namespace cardgen {
namespace {

constexpr int FPS = 28;

void writeFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        throw std::runtime_error("make-card: cannot create " + info.absolutePath().toStdString());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw std::runtime_error("make-card: cannot write " + path.toStdString());
}

// The 16 name bytes of an index entry: ASCII, space-padded when shorter.
void putName(QByteArray& b, int offset, const QString& name16)
{
    QByteArray ascii = name16.toLatin1().left(16);
    ascii.append(QByteArray(16 - ascii.size(), ' '));
    b.replace(offset, 16, ascii);
}

const FrameSample* firstPicture(const std::vector<FrameSample>& samples)
{
    for (const FrameSample& s : samples)
        if (s.id == 0x55) return &s;
    return samples.empty() ? nullptr : &samples.front();
}

// The picture sample in force at a trip time: the last one not after it.
const FrameSample* pictureAt(const std::vector<FrameSample>& samples, qint64 tripMs)
{
    const FrameSample* best = nullptr;
    for (const FrameSample& s : samples) {
        if (s.id != 0x55) continue;
        if (s.tripMs > tripMs) break;
        best = &s;
    }
    return best;
}

QByteArray fakePicture(quint32 size, quint32 salt)
{
    // JPEG-shaped bytes: start marker, filler, end marker.
    QByteArray b(qsizetype(std::max<quint32>(size, 8)), '\0');
    for (qsizetype i = 0; i < b.size(); ++i)
        b[i] = char((i * 31 + salt) & 0x7F);
    b[0] = char(0xFF);
    b[1] = char(0xD8);
    b[2] = char(0xFF);
    b[3] = char(0xDB);
    b[b.size() - 2] = char(0xFF);
    b[b.size() - 1] = char(0xD9);
    return b;
}

} // namespace

// ---------------------------------------------------------------------------
// Index entries and files
// ---------------------------------------------------------------------------

QByteArray encodeVrecEntry(const FrameSample& at, quint32 recordingId, const QString& name16)
{
    FrameSample s = at;
    s.kind = 0x17;
    QByteArray b = encodeFrameRecord(s, recordingId);
    b.append(QByteArray(16, ' '));
    putName(b, 64, name16);
    return b;
}

QByteArray encodeProtectEntry(const FrameSample& at, quint32 recordingId, const QString& name16,
                              quint8 protectType, quint8 survValid)
{
    QByteArray b = encodeFrameRecord(at, recordingId);
    b.append(QByteArray(PRCT_ENTRY - 64, '\0'));
    putName(b, 64, name16);
    b[80] = char(protectType);
    b[81] = char(survValid);
    return b;
}

QByteArray encodeAdventureEntry(const FrameSample& at, quint32 recordingId, const QString& name16,
                                quint8 startFlag, quint32 endTime)
{
    FrameSample s = at;
    s.kind = 0x25;
    QByteArray b = encodeFrameRecord(s, recordingId);
    b.append(QByteArray(ADV_ENTRY - 64, '\0'));
    putName(b, 64, name16);
    b[80] = char(startFlag);
    putU32(b, 81, endTime);
    return b;
}

QByteArray buildVrecFile(quint8 listMode, const std::vector<QByteArray>& entries,
                         const std::vector<QByteArray>& staleAfterEnd, int capacity)
{
    const int used = int(entries.size()) + 1 + int(staleAfterEnd.size());
    const int slotCount = std::max(capacity, used);
    QByteArray b(VREC_HEADER + VREC_ENTRY * slotCount, char(0xFF));
    b.replace(0, VREC_HEADER, QByteArray(VREC_HEADER, '\0'));
    b[0] = char(listMode);
    int slot = 0;
    for (const QByteArray& e : entries)
        b.replace(VREC_HEADER + VREC_ENTRY * slot++, VREC_ENTRY, e.left(VREC_ENTRY));
    // The end marker is an erased slot (kind 0xFF); what lies after it is left
    // over from earlier recordings and is not part of the list in mode 1.
    ++slot;
    for (const QByteArray& e : staleAfterEnd)
        b.replace(VREC_HEADER + VREC_ENTRY * slot++, VREC_ENTRY, e.left(VREC_ENTRY));
    return b;
}

QByteArray buildProtectFile(quint8 listMode, const std::vector<QByteArray>& g,
                            const std::vector<QByteArray>& surv, const std::vector<QByteArray>& sw,
                            bool gapAfterFirst)
{
    QByteArray b(PRCT_END, char(0xFF));
    b.replace(0, PRCT_HEADER, QByteArray(PRCT_HEADER, '\0'));
    b[0] = char(listMode);
    auto fill = [&](int start, int end, const std::vector<QByteArray>& list) {
        int at = start;
        for (size_t i = 0; i < list.size(); ++i) {
            if (at + PRCT_ENTRY > end) throw std::runtime_error("make-card: too many protected entries");
            b.replace(at, PRCT_ENTRY, list[i].left(PRCT_ENTRY));
            at += PRCT_ENTRY;
            if (i == 0 && gapAfterFirst && list.size() > 1) at += PRCT_ENTRY;
        }
    };
    fill(PRCT_G_START, PRCT_SURV_START, g);
    fill(PRCT_SURV_START, PRCT_SW_START, surv);
    fill(PRCT_SW_START, PRCT_END, sw);
    return b;
}

QByteArray buildAdventureFile(const std::vector<QByteArray>& entries, int capacity)
{
    // Always at least one spare slot after the entries: the catalogue never
    // takes the file's last slot.
    const int slotCount = std::max(capacity, int(entries.size()) + 1);
    QByteArray b(ADV_HEADER + ADV_ENTRY * slotCount, char(0xFF));
    b.replace(0, ADV_HEADER, QByteArray(ADV_HEADER, '\0'));
    for (size_t i = 0; i < entries.size(); ++i)
        b.replace(ADV_HEADER + ADV_ENTRY * qsizetype(i), ADV_ENTRY, entries[i].left(ADV_ENTRY));
    return b;
}

QByteArray buildSettingsFile(const std::vector<Record8>& records)
{
    QByteArray b(24, '\0');
    b[8] = char(quint8(std::min<size_t>(records.size(), 255)));
    for (size_t i = 0; i < records.size() && i < 255; ++i)
        b.append(reinterpret_cast<const char*>(records[i].data()), 8);
    return b;
}

std::vector<Record8> defaultSettingsRecords()
{
    return {
        fileInfoRecord(),
        settingsRecord(0x01, 0x01, {0x26, 0x03, 0x15, 0x08, 0x30}), // date and time
        settingsRecord(0x01, 0x09, {0x01}),                         // device type
        settingsRecord(0x03, 0x01, {0x01}),                         // buzzer: action high
        settingsRecord(0x03, 0x03, {0x03}),                         // guidance volume
        settingsRecord(0x03, 0x06, {0x00}),                         // buzzer: operation low
        settingsRecord(0x03, 0x07, {0x01}),                         // buzzer: no card high
        settingsRecord(0x03, 0x08, {0x02}),                         // buzzer: surveillance off
        settingsRecord(0x08, 0x01, {0x00, 0x45}),                   // G trigger level 0.45 G
        settingsRecord(0x08, 0x11, {0x00, 0x20}),                   // cross level 2
        settingsRecord(0x08, 0x12, {0x01, 0x03}),                   // angle -3
        qualityModeRecord(0x01),
        settingsRecord(0x10, 0x06, {0x01}),       // record sound
        settingsRecord(0x20, 0x00, {0x02}),       // surveillance on, quick wake-up
        settingsRecord(0x20, 0x01, {0x00, 0x45}), // quick wake-up time
        settingsRecord(0x20, 0x02, {0x00, 0x20}), // surveillance sensitivity 0.20 G
        settingsRecord(0x20, 0x04, {0x02}),       // start delay 2
        settingsRecord(0x20, 0x05, {0x02}),
        settingsRecord(0x30, 0x00, {0x01}),       // adventure mode on
        settingsRecord(0x30, 0x01, {0x01, 0x50}), // 150 files
    };
}

std::optional<Record8> parseSettingsRecord(const QString& text)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    const QString code = text.left(eq < 0 ? text.size() : eq).trimmed();
    const QString data = eq < 0 ? QString() : text.mid(eq + 1).trimmed();
    // ASCII hex digits only: other digits (isDigit takes any script's) would
    // decode to fewer bytes than the text has pairs.
    const auto isHex = [](const QString& t) {
        for (QChar c : t)
            if (!QStringLiteral("0123456789abcdefABCDEF").contains(c)) return false;
        return true;
    };
    if (code.size() != 4 || !isHex(code) || data.size() % 2 != 0 || data.size() > 10 || !isHex(data))
        return std::nullopt;
    const QByteArray c = QByteArray::fromHex(code.toLatin1());
    return settingsRecordOfBytes(quint8(c[0]), quint8(c[1]), QByteArray::fromHex(data.toLatin1()));
}

// ---------------------------------------------------------------------------
// Data files
// ---------------------------------------------------------------------------

QByteArray encodeDataFileHeader(const DataFileOptions& o, quint32 detectStamp)
{
    QByteArray h(DATA_HEADER, '\0');
    h[0] = char(o.kind);
    putU32(h, 2, o.drive.startTime);
    // Bytes 28..31 (state 29, switch 30) never equal the recording id.
    h[29] = 0x00;
    h[30] = 0x00;
    putU32(h, 40, detectStamp);
    putU32(h, 44, o.recordingId);
    auto bcd4 = [](quint32 v) {
        return std::array<quint8, 4>{bcd(int(v / 1000000 % 100)), bcd(int(v / 10000 % 100)),
                                     bcd(int(v / 100 % 100)), bcd(int(v % 100))};
    };
    const auto car = bcd4(o.carCode);
    const auto driver = bcd4(o.driverCode);
    const std::vector<Record8> info = {
        fileInfoRecord(),
        settingsRecord(0x01, 0x03, {car[0], car[1], car[2], car[3]}),
        settingsRecord(0x01, 0x04, {driver[0], driver[1], driver[2], driver[3]}),
        settingsRecord(0x02, 0x01, {bcd(o.cameras)}),
        settingsRecord(0x04, 0x06, {0x03}),
        settingsRecord(0x08, 0x01, {0x00, 0x50}),
        settingsRecord(0x09, 0x01, {0x05}),
        qualityModeRecord(o.qualityMode),
        settingsRecord(0x10, 0x06, {quint8(o.sound ? 1 : 0)}),
    };
    h[64] = char(quint8(info.size()));
    for (size_t i = 0; i < info.size(); ++i)
        for (int k = 0; k < 8; ++k)
            h[int(80 + 8 * i + k)] = char(info[i][k]);
    return h;
}

QByteArray encodePlaybackInf(const DataFileOptions& o)
{
    QString text = QStringLiteral("[INFO]\r\n");
    if (o.infCarCode) text += QStringLiteral("USER_CAR_CODE=") + *o.infCarCode + QStringLiteral("\r\n");
    if (o.infDriverCode)
        text += QStringLiteral("USER_DRIVER_CODE=") + *o.infDriverCode + QStringLiteral("\r\n");
    if (o.infTitle) text += QStringLiteral("TITLE=") + *o.infTitle + QStringLiteral("\r\n");
    QStringEncoder enc("windows-31j", QStringEncoder::Flag::Stateless);
    if (!enc.isValid()) enc = QStringEncoder("Shift_JIS", QStringEncoder::Flag::Stateless);
    if (!enc.isValid()) throw std::runtime_error("make-card: no Shift-JIS encoder");
    QByteArray bytes = enc.encode(text);
    if (enc.hasError()) throw std::runtime_error("make-card: Playback.inf text is not Shift-JIS");
    return bytes;
}

WrittenDataFile writeDataFile(const QString& path, const DataFileOptions& o)
{
    WrittenDataFile w;
    w.path = path;
    w.recordingId = o.recordingId;
    const int pps = std::max(1, o.picturesPerSecond);
    w.samples = simulateDrive(o.drive, qint64(std::max(1, o.seconds)) * 1000, pps, o.sound ? 1 : 0);
    quint32 index = 0;
    for (FrameSample& s : w.samples) {
        s.kind = o.kind;
        s.frameSize = s.id == 0x55 ? 900 + (index * 37) % 600 : 256;
        ++index;
    }
    const quint32 firstStamp = w.samples.empty() ? 0 : w.samples.front().stamp;
    QByteArray file = encodeDataFileHeader(o, firstStamp);

    // One block per second: head, the pictures and sound back to back, then
    // the frame records. Bytes 60..63 of these records stay 0: in data files
    // a record that carries the recording id there ends its block.
    size_t i = 0;
    while (i < w.samples.size()) {
        const qint64 second = w.samples[i].tripMs / 1000;
        size_t j = i;
        while (j < w.samples.size() && w.samples[j].tripMs / 1000 == second)
            ++j;
        QByteArray payload, records;
        for (size_t k = i; k < j; ++k) {
            payload.append(fakePicture(w.samples[k].frameSize, quint32(k)));
            records.append(encodeFrameRecord(w.samples[k], 0));
        }
        QByteArray head(DATA_BLOCK_HEAD, '\0');
        putU32(head, 0, quint32(DATA_BLOCK_HEAD + payload.size() + records.size()));
        putU32(head, 8, quint32(payload.size()));
        file.append(head).append(payload).append(records);
        ++w.blocks;
        i = j;
    }
    writeFile(path, file);
    if (o.writePlaybackInf) {
        w.playbackInfPath = QFileInfo(path).absolutePath() + QStringLiteral("/Playback.inf");
        writeFile(w.playbackInfPath, encodePlaybackInf(o));
    }
    return w;
}

// ---------------------------------------------------------------------------
// Trips and cards
// ---------------------------------------------------------------------------

WrittenTrip writeTrip(const QString& moveDir, const TripOptions& o, int& nextNumber,
                      const QString& videoCacheDir)
{
    if (o.chapters < 1 || o.chapterSeconds < 1) throw std::invalid_argument("make-card: empty trip");
    WrittenTrip trip;
    trip.key = tripKey(o.drive.startTime, o.timeZone);
    const qint64 chapterMs = qint64(o.chapterSeconds) * 1000;
    const auto samples = simulateDrive(o.drive, chapterMs * o.chapters, FPS, o.format.soundPerSecond);
    int number = o.firstNumber > 0 ? o.firstNumber : nextNumber;
    size_t at = 0;
    for (int c = 0; c < o.chapters; ++c) {
        std::vector<FrameSample> part;
        while (at < samples.size() && samples[at].tripMs < chapterMs * (c + 1))
            part.push_back(samples[at++]);
        MovieFormat f = o.format;
        for (const ChapterDamage& d : o.damaged)
            if (d.chapter == c) {
                f.damage = d.damage;
                f.powerLossAtMs = d.powerLossAtMs;
            }
        if (const auto code = o.chapterFormatCodes.find(c); code != o.chapterFormatCodes.end())
            f.formatCode = code->second;
        const QString name = movieFileName(trip.key, number, o.shape);
        const QString path = moveDir + QLatin1Char('/') + o.folder + QLatin1Char('/') + name;
        trip.chapters.push_back(writeMovieFromSamples(path, part, o.chapterSeconds, f,
                                                      o.drive.startTime + quint32(c * o.chapterSeconds),
                                                      videoCacheDir));
        number = nextFileNumber(number);
    }
    nextNumber = number;
    return trip;
}

WrittenCard writeCard(const QString& root, const CardOptions& o)
{
    WrittenCard card;
    card.root = QDir(root).absolutePath();
    card.moveDir = card.root + QStringLiteral("/MOVE");
    if (!QDir().mkpath(card.moveDir))
        throw std::runtime_error("make-card: cannot create " + card.moveDir.toStdString());

    int number = o.firstFileNumber;
    for (const TripOptions& t : o.trips) {
        card.trips.push_back(writeTrip(card.moveDir, t, number, o.videoCacheDir));
        for (const WrittenMovie& m : card.trips.back().chapters)
            card.files << m.path;
    }

    std::vector<QByteArray> vrec, stale, g, surv, sw, adv;
    for (size_t ti = 0; ti < o.trips.size(); ++ti) {
        const TripOptions& t = o.trips[ti];
        const WrittenTrip& w = card.trips[ti];
        for (const WrittenMovie& m : w.chapters)
            if (const FrameSample* s = firstPicture(m.samples))
                vrec.push_back(encodeVrecEntry(*s, m.recordingId, m.indexName));

        for (const Incident& inc : t.drive.incidents) {
            if (!inc.protect) continue;
            const int c = int(inc.atMs / (qint64(t.chapterSeconds) * 1000));
            if (c < 0 || c >= int(w.chapters.size())) continue;
            const WrittenMovie& m = w.chapters[size_t(c)];
            const FrameSample* s = pictureAt(m.samples, inc.atMs);
            if (!s) continue; // lost with the power
            FrameSample at = *s;
            at.stamp2 = m.firstStamp;
            WrittenEvent e;
            e.kind = inc.kind;
            e.trip = int(ti);
            e.chapter = c;
            e.indexName = m.indexName;
            switch (inc.kind) {
            case Incident::Kind::GShock:
                at.kind = 0x10;
                g.push_back(encodeProtectEntry(at, m.recordingId, m.indexName, 0x01, 0x00));
                break;
            case Incident::Kind::Surveillance:
                at.kind = 0x12;
                surv.push_back(encodeProtectEntry(at, m.recordingId, m.indexName, 0x01, 0x01));
                break;
            case Incident::Kind::SwitchPress:
                at.kind = 0x20;
                sw.push_back(encodeProtectEntry(at, m.recordingId, m.indexName, 0x01, 0x00));
                break;
            }
            e.at = at;
            card.events.push_back(e);
        }

        if (t.adventureFirstChapter >= 0 && t.adventureChapters > 0) {
            WrittenAdventure a;
            a.trip = int(ti);
            const int last = std::min(int(w.chapters.size()), t.adventureFirstChapter + t.adventureChapters);
            for (int c = t.adventureFirstChapter; c < last; ++c)
                a.chapters.push_back(c);
            if (!a.chapters.empty()) {
                const WrittenMovie& lastMovie = w.chapters[size_t(a.chapters.back())];
                a.endTime = lastMovie.samples.back().unixTime + 1;
                for (int c : a.chapters) {
                    const WrittenMovie& m = w.chapters[size_t(c)];
                    if (const FrameSample* s = firstPicture(m.samples))
                        adv.push_back(encodeAdventureEntry(*s, m.recordingId, m.indexName,
                                                           c == a.chapters.front() ? 1 : 0, a.endTime));
                }
                card.adventures.push_back(a);
            }
        }
    }
    // Events are listed per region in time order.
    std::stable_sort(
        card.events.begin(), card.events.end(), [](const WrittenEvent& a, const WrittenEvent& b) {
            auto region = [](Incident::Kind k) {
                return k == Incident::Kind::GShock ? 0 : k == Incident::Kind::Surveillance ? 1 : 2;
            };
            return region(a.kind) < region(b.kind);
        });

    if (o.managementFiles) {
        if (o.staleRecords && o.vrecListMode == 1 && !vrec.empty()) {
            // An entry left from an earlier recording: it names the first
            // chapter with another time and must stay unread in list mode 1.
            QByteArray old = vrec.front();
            const quint32 time = (quint32(quint8(old[2])) << 24) | (quint32(quint8(old[3])) << 16) |
                                 (quint32(quint8(old[4])) << 8) | quint32(quint8(old[5]));
            putU32(old, 2, time - 86400);
            putU32(old, 40, 0);
            stale.push_back(old);
        }
        const QString vrecPath = card.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT");
        const QString prctPath = card.moveDir + QStringLiteral("/MOV_PRCT.DAT");
        const QString advPath = card.moveDir + QStringLiteral("/ADV_PRCT.DAT");
        writeFile(vrecPath, buildVrecFile(o.vrecListMode, vrec, stale));
        writeFile(prctPath,
                  buildProtectFile(o.prctListMode, g, surv, sw, o.staleRecords && o.prctListMode == 0));
        writeFile(advPath, buildAdventureFile(adv));
        card.files << vrecPath << prctPath << advPath;
    }
    if (o.versionFile) {
        const QString p = card.moveDir + QStringLiteral("/ver.txt");
        writeFile(p, QByteArrayLiteral("104 01.02.03\n"));
        card.files << p;
    }
    if (o.settingsFile) {
        const QString p = card.root + QStringLiteral("/SETINF.DAT");
        writeFile(p, buildSettingsFile(o.settingsRecords.empty() ? defaultSettingsRecords() : o.settingsRecords));
        card.files << p;
    }
    for (size_t i = 0; i < o.dataFiles.size(); ++i) {
        const QString dir = card.root + QStringLiteral("/DATA/%1").arg(int(i) + 1, 4, 10, QLatin1Char('0'));
        const QString key = tripKey(o.dataFiles[i].drive.startTime);
        card.dataFiles.push_back(
            writeDataFile(dir + QLatin1Char('/') + key + QStringLiteral("0001.DAT"), o.dataFiles[i]));
        card.files << card.dataFiles.back().path;
        if (!card.dataFiles.back().playbackInfPath.isEmpty())
            card.files << card.dataFiles.back().playbackInfPath;
    }
    return card;
}

void setVideoSize(CardOptions& card, int width, int height)
{
    for (TripOptions& trip : card.trips) {
        trip.format.videoWidth = width;
        trip.format.videoHeight = height;
    }
}

CardOptions demoCardOptions()
{
    CardOptions c;
    c.vrecListMode = 1; // one index file in each list mode
    c.prctListMode = 0;

    // Trip 1: morning drive through the city; a shock 5 s into chapter 2 and
    // the recording switch pressed in chapter 3.
    TripOptions city;
    city.chapters = 3;
    city.drive.startTime = 1773523800; // 2026-03-15 08:30 in Sydney
    city.drive.startStamp = 4200;
    city.drive.startLat = -33.8688;
    city.drive.startLon = 151.2093;
    city.drive.headingDeg = 35;
    city.drive.profile = SpeedProfile::Urban;
    city.drive.cruiseKmh = 50;
    city.drive.seed = 11;
    city.drive.gpsFixAfterMs = 2500;
    city.drive.gpsFixEveryMs = 1000;
    city.drive.incidents = {{Incident::Kind::GShock, 65000, true},
                            {Incident::Kind::SwitchPress, 150000, true}};
    c.trips.push_back(city);

    // Trip 2: out west on the motorway, over the limit now and then, a jolt
    // half a minute in, through a tunnel; adventure mode for chapters 2 to 4; the power fails in the
    // last chapter.
    TripOptions motorway;
    motorway.chapters = 4;
    motorway.drive.startTime = 1773531000; // 10:30
    motorway.drive.startStamp = 6100;
    motorway.drive.startLat = -33.8150;
    motorway.drive.startLon = 151.0030;
    motorway.drive.headingDeg = 275;
    motorway.drive.profile = SpeedProfile::Highway;
    motorway.drive.speedLimitKmh = 110;
    motorway.drive.seed = 22;
    motorway.drive.gpsOutages = {{100000, 112000}};
    motorway.drive.gpsFixEveryMs = 1000;
    motorway.drive.incidents = {{Incident::Kind::GShock, 30000, true}};
    motorway.adventureFirstChapter = 1;
    motorway.adventureChapters = 3;
    motorway.damaged = {{3, PowerLoss, 40000}};
    c.trips.push_back(motorway);

    // Trip 3: parked at Katoomba in surveillance mode; a knock on the car.
    TripOptions parked;
    parked.chapters = 2;
    parked.drive.startTime = 1773538200; // 12:30
    parked.drive.startStamp = 3100;
    parked.drive.startLat = -33.7125;
    parked.drive.startLon = 150.3119;
    parked.drive.headingDeg = 180;
    parked.drive.profile = SpeedProfile::Parked;
    parked.drive.seed = 33;
    parked.drive.incidents = {{Incident::Kind::Surveillance, 20000, true}};
    parked.shape = NameShape::Underscore;
    parked.folder = QStringLiteral("MOVE002");
    c.trips.push_back(parked);

    DataFileOptions data;
    data.drive.startTime = 1773545400; // 14:30
    data.drive.startStamp = 2000;
    data.drive.startLat = -33.8830;
    data.drive.startLon = 151.2167;
    data.drive.seed = 44;
    data.seconds = 12;
    data.infCarCode = QStringLiteral("12340001");
    data.infDriverCode = QString(); // empty: the header's code stands
    data.infTitle = QStringLiteral("シドニー市内 配送");
    c.dataFiles.push_back(data);
    return c;
}

} // namespace cardgen
