#include "core/archive/BinaryPlist.h"
#include "core/archive/KeyedArchive.h"
#include "archive/PlistBuilder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace plist_test;

namespace {

const QString TRIP = QStringLiteral("Test.Trip");
const QString LEG = QStringLiteral("Test.Leg");

KeyedArchive::ReadOptions options()
{
    KeyedArchive::ReadOptions o;
    o.allowedClasses = {TRIP,
                        LEG,
                        KeyedArchive::CLASS_DATE,
                        KeyedArchive::CLASS_DICTIONARY,
                        KeyedArchive::CLASS_MUTABLE_DICTIONARY,
                        KeyedArchive::CLASS_ARRAY};
    return o;
}

ArchiveValue leg(std::int64_t n)
{
    ArchiveObject o(LEG);
    o.set(QStringLiteral("n"), ArchiveValue::integer(n));
    o.set(QStringLiteral("boxed"), ArchiveValue::numberObject(n * 2));
    return ArchiveValue::object(std::move(o));
}

// A tree with every kind of value, nested objects and a dictionary with
// number keys, as the trim information uses them.
ArchiveValue sampleTree()
{
    ArchiveObject trip(TRIP);
    trip.set(QStringLiteral("int"), ArchiveValue::integer(-123456789012LL));
    trip.set(QStringLiteral("small"), ArchiveValue::integer(7));
    trip.set(QStringLiteral("max32"), ArchiveValue::numberObject(0xFFFFFFFFLL));
    trip.set(QStringLiteral("real"), ArchiveValue::real(-0.002));
    trip.set(QStringLiteral("flag"), ArchiveValue::boolean(true));
    trip.set(QStringLiteral("off"), ArchiveValue::boolean(false));
    trip.set(QStringLiteral("name"), ArchiveValue::string(QStringLiteral("走行 ABC")));
    trip.set(QStringLiteral("empty"), ArchiveValue::string(QString()));
    trip.set(QStringLiteral("when"),
             ArchiveValue::date(QDateTime(QDate(2026, 12, 7), QTime(8, 15, 30, 250), QTimeZone::utc())));
    trip.set(QStringLiteral("nothing"), ArchiveValue());
    ArchiveValue::Dictionary legs;
    for (int k : {0, 36, 72, 100000})
        legs.emplace_back(ArchiveValue::numberObject(k), leg(k));
    trip.set(QStringLiteral("legs"), ArchiveValue::dictionary(std::move(legs)));
    trip.set(QStringLiteral("list"),
             ArchiveValue::array({ArchiveValue::string(QStringLiteral("a")), ArchiveValue::realObject(1.5),
                                  ArchiveValue::boolObject(false), ArchiveValue()}));
    trip.set(QStringLiteral("emptyDict"), ArchiveValue::dictionary({}));
    return ArchiveValue::object(std::move(trip));
}

QByteArray sampleBytes()
{
    return KeyedArchive::write(sampleTree());
}

// Runs a Python snippet with the given arguments; empty when Python is not
// installed (the caller skips), else its standard output.
std::optional<QByteArray> runPython(const QString& script, const QStringList& args)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) return std::nullopt;
    QProcess p;
    p.start(python, QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << p.readAllStandardError().constData();
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

} // namespace

TEST(KeyedArchive, RoundTripKeepsEveryValueAndItsPlacement)
{
    const ArchiveValue tree = sampleTree();
    const std::optional<ArchiveValue> back = KeyedArchive::read(sampleBytes(), options());
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == tree);

    const ArchiveObject* trip = back->asObject();
    ASSERT_NE(trip, nullptr);
    EXPECT_EQ(trip->classes(), (QStringList{TRIP, QStringLiteral("NSObject")}));
    EXPECT_FALSE(trip->get(QStringLiteral("int"))->isBoxed());
    EXPECT_TRUE(trip->get(QStringLiteral("max32"))->isBoxed());
    EXPECT_EQ(trip->get(QStringLiteral("max32"))->toInteger(), 0xFFFFFFFFLL);
    EXPECT_TRUE(trip->get(QStringLiteral("nothing"))->isNull());
    EXPECT_EQ(trip->get(QStringLiteral("when"))->toDateTime(),
              QDateTime(QDate(2026, 12, 7), QTime(8, 15, 30, 250), QTimeZone::utc()));
    EXPECT_EQ(trip->get(QStringLiteral("legs"))->asDictionary()->size(), 4u);
}

TEST(KeyedArchive, TextWithNulAndLongContainersRoundTrip)
{
    ArchiveObject o(TRIP);
    o.set(QStringLiteral("name"), ArchiveValue::string(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
    ArchiveValue::Array many;
    for (int i = 0; i < 70000; ++i)
        many.push_back(ArchiveValue::numberObject(i - 35000));
    o.set(QStringLiteral("many"), ArchiveValue::array(std::move(many)));
    const ArchiveValue v = ArchiveValue::object(o);
    const std::optional<ArchiveValue> back = KeyedArchive::read(KeyedArchive::write(v), options());
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == v);
}

TEST(KeyedArchive, AnIndependentReaderParsesTheBytes)
{
    // libplist, a property-list library of its own, reads what we write.
    plist_t p = fromBinary(sampleBytes());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(plist_string_val_compare(plist_dict_get_item(p, "$archiver"), "NSKeyedArchiver"), 0);
    plist_t objects = plist_dict_get_item(p, "$objects");
    ASSERT_EQ(plist_get_node_type(objects), PLIST_ARRAY);
    EXPECT_EQ(plist_string_val_compare(plist_array_get_item(objects, 0), "$null"), 0);
    std::uint64_t root = 0;
    plist_get_uid_val(plist_dict_get_item(plist_dict_get_item(p, "$top"), "root"), &root);
    EXPECT_EQ(root, 1u);
    plist_t trip = plist_array_get_item(objects, std::uint32_t(root));
    std::uint64_t small = 0;
    plist_get_uint_val(plist_dict_get_item(trip, "small"), &small);
    EXPECT_EQ(small, 7u);
    plist_free(p);
}

TEST(KeyedArchive, BytesFollowThePlatformLayoutForAnIndependentReader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.plist"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(sampleBytes());
    f.close();

    // plistlib reads binary property lists including UIDs; turn the file
    // into JSON with UIDs as {"UID": n}.
    const QString script =
        QStringLiteral("import json, plistlib, sys\n"
                       "def conv(x):\n"
                       "    if isinstance(x, plistlib.UID): return {'UID': x.data}\n"
                       "    if isinstance(x, dict): return {k: conv(v) for k, v in x.items()}\n"
                       "    if isinstance(x, list): return [conv(v) for v in x]\n"
                       "    if isinstance(x, bool): return {'bool': x}\n"
                       "    if isinstance(x, int): return {'int': str(x)}\n"
                       "    return x\n"
                       "with open(sys.argv[1], 'rb') as f: d = plistlib.load(f)\n"
                       "print(json.dumps(conv(d)))\n");
    const std::optional<QByteArray> out = runPython(script, {path});
    if (!out) GTEST_SKIP() << "python3 is not installed";
    const QJsonObject top = QJsonDocument::fromJson(*out).object();
    ASSERT_FALSE(top.isEmpty());

    EXPECT_EQ(top[QStringLiteral("$archiver")].toString(), QStringLiteral("NSKeyedArchiver"));
    EXPECT_EQ(top[QStringLiteral("$version")].toObject()[QStringLiteral("int")].toString(),
              QStringLiteral("100000"));
    const QJsonArray objects = top[QStringLiteral("$objects")].toArray();
    ASSERT_GT(objects.size(), 2);
    EXPECT_EQ(objects[0].toString(), QStringLiteral("$null"));
    auto deref = [&](const QJsonValue& ref) {
        return objects[ref.toObject()[QStringLiteral("UID")].toInt()];
    };
    auto className = [&](const QJsonObject& o) {
        return deref(o[QStringLiteral("$class")]).toObject()[QStringLiteral("$classname")].toString();
    };
    auto intOf = [](const QJsonValue& v) {
        return v.toObject()[QStringLiteral("int")].toString().toLongLong();
    };

    const QJsonObject root = deref(top[QStringLiteral("$top")].toObject()[QStringLiteral("root")]).toObject();
    EXPECT_EQ(className(root), TRIP);
    const QJsonArray chain =
        deref(root[QStringLiteral("$class")]).toObject()[QStringLiteral("$classes")].toArray();
    EXPECT_EQ(chain.toVariantList(), (QVariantList{TRIP, QStringLiteral("NSObject")}));

    // Scalars in place, objects by UID.
    EXPECT_EQ(intOf(root[QStringLiteral("int")]), -123456789012LL);
    EXPECT_DOUBLE_EQ(root[QStringLiteral("real")].toDouble(), -0.002);
    EXPECT_EQ(root[QStringLiteral("flag")].toObject()[QStringLiteral("bool")].toBool(), true);
    EXPECT_EQ(intOf(deref(root[QStringLiteral("max32")])), 0xFFFFFFFFLL);
    EXPECT_EQ(deref(root[QStringLiteral("name")]).toString(), QStringLiteral("走行 ABC"));
    EXPECT_EQ(root[QStringLiteral("nothing")].toObject()[QStringLiteral("UID")].toInt(), 0);

    const QJsonObject when = deref(root[QStringLiteral("when")]).toObject();
    EXPECT_EQ(className(when), QStringLiteral("NSDate"));
    // 2026-12-07 08:15:30.25 UTC in seconds since 2001.
    EXPECT_DOUBLE_EQ(when[QStringLiteral("NS.time")].toDouble(), 1796631330.25 - 978307200.0);

    const QJsonObject legs = deref(root[QStringLiteral("legs")]).toObject();
    EXPECT_EQ(className(legs), QStringLiteral("NSDictionary"));
    const QJsonArray keys = legs[QStringLiteral("NS.keys")].toArray();
    const QJsonArray values = legs[QStringLiteral("NS.objects")].toArray();
    ASSERT_EQ(keys.size(), 4);
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(intOf(deref(keys[3])), 100000);
    const QJsonObject lastLeg = deref(values[3]).toObject();
    EXPECT_EQ(className(lastLeg), LEG);
    EXPECT_EQ(intOf(lastLeg[QStringLiteral("n")]), 100000);

    const QJsonObject list = deref(root[QStringLiteral("list")]).toObject();
    EXPECT_EQ(className(list), QStringLiteral("NSArray"));
    EXPECT_EQ(list[QStringLiteral("NS.objects")].toArray().size(), 4);
}

TEST(KeyedArchive, ReadsAnArchiveWrittenByAnIndependentWriter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.plist"));
    // Written the way the platform's archiver lays it out, with one number
    // object shared by two fields and a mutable dictionary.
    const QString script = QStringLiteral(
        "import plistlib, sys\n"
        "U = plistlib.UID\n"
        "objs = ['$null',\n"
        "  {'$class': U(2), 'a': U(3), 'b': U(3), 'd': U(4), 'm': U(6), 'x': 5, 'g': 1.25, 'ok': True},\n"
        "  {'$classname': 'Test.Trip', '$classes': ['Test.Trip', 'NSObject']},\n"
        "  42,\n"
        "  {'$class': U(5), 'NS.time': 0.5},\n"
        "  {'$classname': 'NSDate', '$classes': ['NSDate', 'NSObject']},\n"
        "  {'$class': U(7), 'NS.keys': [U(3)], 'NS.objects': [U(8)]},\n"
        "  {'$classname': 'NSMutableDictionary', '$classes': ['NSMutableDictionary', 'NSDictionary', "
        "'NSObject']},\n"
        "  'forty-two']\n"
        "d = {'$archiver': 'NSKeyedArchiver', '$version': 100000, '$top': {'root': U(1)}, '$objects': objs}\n"
        "with open(sys.argv[1], 'wb') as f: plistlib.dump(d, f, fmt=plistlib.FMT_BINARY)\n");
    if (!runPython(script, {path})) GTEST_SKIP() << "python3 is not installed";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::optional<ArchiveValue> v = KeyedArchive::read(f.readAll(), options());
    ASSERT_TRUE(v.has_value());
    const ArchiveObject* o = v->asObject();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get(QStringLiteral("a"))->toInteger(), 42);
    EXPECT_EQ(o->get(QStringLiteral("b"))->toInteger(), 42);
    EXPECT_EQ(o->get(QStringLiteral("x"))->toInteger(), 5);
    EXPECT_EQ(o->get(QStringLiteral("g"))->toReal(), 1.25);
    EXPECT_EQ(o->get(QStringLiteral("ok"))->toBool(), true);
    EXPECT_EQ(o->get(QStringLiteral("d"))->toDateTime(),
              QDateTime(QDate(2001, 1, 1), QTime(0, 0, 0, 500), QTimeZone::utc()));
    const ArchiveValue::Dictionary* m = o->get(QStringLiteral("m"))->asDictionary();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->size(), 1u);
    EXPECT_EQ((*m)[0].first.toInteger(), 42);
    EXPECT_EQ((*m)[0].second.toString(), QStringLiteral("forty-two"));
}

// ---- damaged and hostile archives -----------------------------------------

namespace {

// A minimal sound archive: root object of class Test.Trip whose field "f"
// holds the given value, with extra objects appended after the class.
QByteArray archiveWithField(plist_t field, std::initializer_list<plist_t> extra = {})
{
    plist_t objects = array({str("$null"), dict({{"$class", uid(2)}, {"f", field}}), classDict("Test.Trip")});
    for (plist_t e : extra)
        plist_array_append_item(objects, e);
    return toBinary(archive(objects));
}

bool reads(const QByteArray& bytes, const KeyedArchive::ReadOptions& o = options())
{
    return KeyedArchive::read(bytes, o).has_value();
}

} // namespace

TEST(KeyedArchive, TheMinimalArchiveReads)
{
    EXPECT_TRUE(reads(archiveWithField(num(1))));
    EXPECT_TRUE(reads(archiveWithField(uid(3), {str("x")})));
    EXPECT_TRUE(reads(archiveWithField(uid(0))));
}

TEST(KeyedArchive, LayoutDamageGivesNone)
{
    auto base = [] { return array({str("$null"), dict({{"$class", uid(2)}}), classDict("Test.Trip")}); };
    EXPECT_TRUE(reads(toBinary(archive(base()))));

    plist_t a = archive(base());
    plist_dict_set_item(a, "$archiver", str("NSArchiver"));
    EXPECT_FALSE(reads(toBinary(a)));
    a = archive(base());
    plist_dict_set_item(a, "$version", num(100001));
    EXPECT_FALSE(reads(toBinary(a)));
    a = archive(base());
    plist_dict_set_item(a, "$version", str("100000"));
    EXPECT_FALSE(reads(toBinary(a)));
    a = archive(base());
    plist_dict_remove_item(a, "$top");
    EXPECT_FALSE(reads(toBinary(a)));
    a = archive(base());
    plist_dict_set_item(a, "$top", dict({{"root", num(1)}}));
    EXPECT_FALSE(reads(toBinary(a)));
    EXPECT_FALSE(reads(toBinary(archive(base(), 3)))); // root UID out of range
    EXPECT_FALSE(reads(toBinary(archive(base(), 2)))); // root is a class description
    EXPECT_FALSE(
        reads(toBinary(archive(array({str("null"), dict({{"$class", uid(2)}}), classDict("Test.Trip")})))));
    EXPECT_FALSE(reads(toBinary(archive(array({})))));
    EXPECT_FALSE(reads(toBinary(array({str("$null")}))));
}

TEST(KeyedArchive, EveryUidAndTypeIsChecked)
{
    EXPECT_FALSE(reads(archiveWithField(uid(99))));            // past $objects
    EXPECT_FALSE(reads(archiveWithField(str("inline text")))); // not a UID or scalar
    EXPECT_FALSE(reads(archiveWithField(array({uid(0)}))));
    EXPECT_FALSE(reads(archiveWithField(uid(3), {plist_new_data("ab", 2)})));    // data object
    EXPECT_FALSE(reads(archiveWithField(uid(3), {dict({{"x", num(1)}})})));      // no $class
    EXPECT_FALSE(reads(archiveWithField(uid(3), {dict({{"$class", num(2)}})}))); // $class not a UID
    EXPECT_FALSE(reads(archiveWithField(uid(3), {dict({{"$class", uid(0)}})})));
    EXPECT_FALSE(reads(archiveWithField(uid(3), {dict({{"$class", uid(3)}})}))); // class is itself
    // A class description without its chain, or with a chain of numbers.
    EXPECT_FALSE(reads(
        archiveWithField(uid(3), {dict({{"$class", uid(4)}}), dict({{"$classname", str("Test.Leg")}})})));
    EXPECT_FALSE(reads(
        archiveWithField(uid(3), {dict({{"$class", uid(4)}}),
                                  dict({{"$classname", str("Test.Leg")}, {"$classes", array({num(1)})}})})));
    // Dates need a number under NS.time.
    EXPECT_FALSE(reads(archiveWithField(
        uid(3), {dict({{"$class", uid(4)}, {"NS.time", str("now")}}), classDict("NSDate")})));
    EXPECT_TRUE(reads(
        archiveWithField(uid(3), {dict({{"$class", uid(4)}, {"NS.time", real(1.0)}}), classDict("NSDate")})));
    // Dictionaries need UID lists of one length.
    EXPECT_FALSE(reads(archiveWithField(
        uid(3), {dict({{"$class", uid(4)}, {"NS.keys", array({uid(0)})}, {"NS.objects", array({})}}),
                 classDict("NSDictionary")})));
    EXPECT_FALSE(reads(archiveWithField(
        uid(3), {dict({{"$class", uid(4)}, {"NS.keys", array({num(1)})}, {"NS.objects", array({uid(0)})}}),
                 classDict("NSDictionary")})));
    EXPECT_FALSE(reads(archiveWithField(
        uid(3), {dict({{"$class", uid(4)}, {"NS.objects", array({})}}), classDict("NSDictionary")})));
    EXPECT_FALSE(reads(archiveWithField(
        uid(3), {dict({{"$class", uid(4)}, {"NS.objects", array({uid(77)})}}), classDict("NSArray")})));
}

TEST(KeyedArchive, OnlyAllowedClassesAreDecoded)
{
    const QByteArray bytes = archiveWithField(uid(3), {dict({{"$class", uid(4)}}), classDict("Evil.Class")});
    EXPECT_FALSE(reads(bytes));
    KeyedArchive::ReadOptions o = options();
    o.allowedClasses.insert(QStringLiteral("Evil.Class"));
    EXPECT_TRUE(reads(bytes, o));
    o.allowedClasses.remove(TRIP);
    EXPECT_FALSE(reads(bytes, o));
    // Containers and dates are classes like any other.
    o = options();
    o.allowedClasses.remove(KeyedArchive::CLASS_DICTIONARY);
    EXPECT_FALSE(reads(sampleBytes(), o));
}

TEST(KeyedArchive, CyclesGiveNone)
{
    // The root holds itself.
    EXPECT_FALSE(reads(archiveWithField(uid(1))));
    // Two objects holding each other, and an array inside itself.
    EXPECT_FALSE(reads(
        archiveWithField(uid(3), {dict({{"$class", uid(4)}, {"back", uid(1)}}), classDict("Test.Leg")})));
    EXPECT_FALSE(reads(archiveWithField(
        uid(3), {dict({{"$class", uid(4)}, {"NS.objects", array({uid(3)})}}), classDict("NSArray")})));
    // Sharing without a cycle is fine.
    EXPECT_TRUE(
        reads(archiveWithField(uid(3), {dict({{"$class", uid(4)}, {"NS.objects", array({uid(5), uid(5)})}}),
                                        classDict("NSArray"), str("shared")})));
}

TEST(KeyedArchive, DepthAndSizeAreBounded)
{
    // Arrays nested 40 deep.
    plist_t objects = array({str("$null")});
    for (int i = 1; i <= 40; ++i)
        plist_array_append_item(
            objects, dict({{"$class", uid(41)}, {"NS.objects", array({uid(i < 40 ? i + 1 : 0)})}}));
    plist_array_append_item(objects, classDict("NSArray"));
    const QByteArray deep = toBinary(archive(objects));
    EXPECT_FALSE(reads(deep));
    KeyedArchive::ReadOptions o = options();
    o.maxDepth = 64;
    EXPECT_TRUE(reads(deep, o));

    // Each level refers twice to the next: 2^40 values once expanded.
    objects = array({str("$null")});
    for (int i = 1; i <= 40; ++i) {
        const std::uint64_t next = i < 40 ? i + 1 : 0;
        plist_array_append_item(objects,
                                dict({{"$class", uid(41)}, {"NS.objects", array({uid(next), uid(next)})}}));
    }
    plist_array_append_item(objects, classDict("NSArray"));
    EXPECT_FALSE(reads(toBinary(archive(objects)), o));

    const QByteArray sample = sampleBytes();
    o = options();
    o.maxBytes = sample.size() - 1;
    EXPECT_FALSE(reads(sample, o));
    o = options();
    o.maxObjects = 5;
    EXPECT_FALSE(reads(sample, o));
    o = options();
    o.maxNodes = 20;
    EXPECT_FALSE(reads(sample, o));
}

TEST(KeyedArchive, DamagedBinaryListsGiveNone)
{
    const QByteArray sample = sampleBytes();
    EXPECT_FALSE(reads(QByteArray()));
    EXPECT_FALSE(reads(QByteArray("bplist00")));
    EXPECT_FALSE(reads(QByteArray(200, '\xFF')));
    EXPECT_FALSE(reads(QByteArray("<?xml version=\"1.0\"?><plist><dict/></plist>")));
    for (qsizetype n = 0; n < sample.size(); ++n)
        EXPECT_FALSE(reads(sample.left(n))) << n;

    // Every single-byte change either reads or gives none; never a crash.
    QRandomGenerator rng(4);
    for (qsizetype i = 0; i < sample.size(); ++i) {
        QByteArray damaged = sample;
        damaged[i] = static_cast<char>(damaged[i] ^ (1 << rng.bounded(8)));
        (void)KeyedArchive::read(damaged, options());
        damaged[i] = static_cast<char>(rng.bounded(256));
        (void)KeyedArchive::read(damaged, options());
    }
}

// ---- the binary property list underneath ---------------------------------

namespace {

// A list of `levels` arrays, each holding the next one twice; the last
// holds true. refs point into it by index.
QByteArray nestedList(int levels)
{
    QByteArray body = "bplist00";
    QList<quint64> offsets;
    for (int k = 0; k < levels; ++k) {
        offsets << quint64(body.size());
        if (k + 1 < levels) {
            body += char(0xA2);
            body += char(k + 1);
            body += char(k + 1);
        } else {
            body += char(0x09);
        }
    }
    const quint64 table = quint64(body.size());
    for (quint64 off : offsets)
        body += char(off);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = char(levels);
    trailer[31] = char(table);
    return body + trailer;
}

} // namespace

TEST(BinaryPlist, ObjectsAreReadOneAtATimeAndChecked)
{
    const QByteArray list = nestedList(12);
    auto doc = BinaryPlist::Document::open(list, {});
    ASSERT_TRUE(doc);
    const auto top = doc->object(doc->topIndex());
    ASSERT_TRUE(top);
    EXPECT_EQ(top->type, BinaryPlist::Type::Array);
    EXPECT_EQ(top->refs, (std::vector<std::uint64_t>{1, 1}));
    EXPECT_EQ(doc->object(11)->type, BinaryPlist::Type::Bool);
    EXPECT_FALSE(doc->object(12));

    // A container that holds itself is just an object with its own index.
    QByteArray self = list;
    self[8 + 1] = 0;
    doc = BinaryPlist::Document::open(self, {});
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->object(0)->refs, (std::vector<std::uint64_t>{0, 1}));

    // References, offsets and counts outside the list.
    QByteArray badRef = list;
    badRef[8 + 2] = 40;
    EXPECT_FALSE(BinaryPlist::Document::open(badRef, {})->object(0));
    QByteArray badOffset = list;
    badOffset[list.size() - 32 - 12] = char(0xF0);
    EXPECT_FALSE(BinaryPlist::Document::open(badOffset, {})->object(0));
    QByteArray longArray = list;
    longArray[8] = char(0xAF); // count follows: 0x01 is no integer marker
    EXPECT_FALSE(BinaryPlist::Document::open(longArray, {})->object(0));

    // The trailer: object count, top object and table offset.
    for (int at : {6, 7, 15, 23, 31}) {
        QByteArray t = list;
        t[list.size() - 32 + at] = char(0xEE);
        EXPECT_FALSE(BinaryPlist::Document::open(t, {})) << at;
    }
    EXPECT_FALSE(BinaryPlist::Document::open(list.left(39), {}));

    // The element budget bounds the work of repeated reads.
    BinaryPlist::Limits tight;
    tight.maxElements = 5;
    doc = BinaryPlist::Document::open(list, tight);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->object(0));
    EXPECT_TRUE(doc->object(0));
    EXPECT_FALSE(doc->object(0));
}
