// The recording list widget: tabs, rows, header, clicks, thumbnails.

#include "AppTestSupport.h"
#include "TestMain.h"
#include "app/catalog/CustomTableView.h"
#include "app/catalog/ListThumbnails.h"
#include "app/catalog/RecordingListModel.h"
#include "app/catalog/VideoListView.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QPainter>
#include <QImage>
#include <QPixmap>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace apptest;
using ListType = CommonConst::ListType;

namespace {

struct ClickLog : VideoListViewDelegate {
    QList<QPair<ListType, int>> clicks;
    bool videoListDidSelect(ListType type, int row) override
    {
        clicks.append({type, row});
        return true;
    }
};

} // namespace

class TestVideoListView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        m_written = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), mixedCard());
        m_card = CardData::create();
        m_card->readCardData(m_written.moveDir);
        QVERIFY(m_card->tripListTab().size() >= 2);
    }
    void init()
    {
        UserDefaultUtil::resetToInitialValues();
        UserDefaultUtil::dateFormat = 1;
        UserDefaultUtil::timeZone = 3;
    }
    void cleanupTestCase() { m_card->dispose(); }

    void showsTheTripsWhenACatalogueArrives()
    {
        VideoListView view;
        view.resize(340, 600);
        view.show();
        view.setData(m_card);
        QCOMPARE(view.listType(), ListType::Trip);
        QVERIFY(view.tabTripButton()->isChecked());
        QVERIFY(!view.tabEventButton()->isChecked());
        QCOMPARE(view.tableModel()->rowCount(), int(view.list().trips().size()));
        QCOMPARE(view.tableModel()->headerData(RecordingListModel::InfoColumn, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Recording time/date"));
        QCOMPARE(view.selectedTableRow(), -1);
        const QModelIndex first = view.tableModel()->index(0, RecordingListModel::InfoColumn);
        QCOMPARE(first.data(RecordingListModel::DateRole).toString(), QStringLiteral("15.03.2026"));
        QCOMPARE(first.data(RecordingListModel::TimeRole).toString(), QStringLiteral("05:30:00"));
        QCOMPARE(first.data(RecordingListModel::TypeRole).toString(), QString());
    }

    void eachTabShowsItsListAndHeader()
    {
        VideoListView view;
        view.setData(m_card);
        view.tabEventButton()->click();
        QCOMPARE(view.listType(), ListType::Event);
        QCOMPARE(view.tableModel()->rowCount(), 2);
        QCOMPARE(view.listTable()->infoTitle, QStringLiteral("Sensing time/date"));
        QStringList types;
        for (int r = 0; r < 2; ++r)
            types << view.tableModel()->index(r, 1).data(RecordingListModel::TypeRole).toString();
        types.sort();
        QCOMPARE(types, (QStringList{QStringLiteral("Auto"), QStringLiteral("Manual")}));

        view.tabSurveillanceButton()->click();
        QCOMPARE(view.listType(), ListType::Surveillance);
        QCOMPARE(view.tableModel()->rowCount(), 1);
        QVERIFY(view.tabSurveillanceButton()->isChecked());

        view.tabAdventureButton()->click();
        QCOMPARE(view.listType(), ListType::Adventure);
        QCOMPARE(view.tableModel()->rowCount(), 1);
        QCOMPARE(view.listTable()->infoTitle, QStringLiteral("Recording time/date"));

        view.tabChapterButton()->click();
        QCOMPARE(view.listType(), ListType::TripChapter);
        QCOMPARE(view.tableModel()->rowCount(), 0); // no trip chosen yet

        QVERIFY(view.selectRow(1, ListType::Trip, false));
        view.tabChapterButton()->click();
        QCOMPARE(view.tableModel()->rowCount(), int(view.list().trip(1)->chapterCount()));

        QVERIFY(view.selectRow(0, ListType::Adventure, false));
        view.tabChapterButton()->click();
        QCOMPARE(view.listType(), ListType::AdvChapter);
    }

    void theEventRowsSitNextToTheTable()
    {
        VideoListView view;
        view.setData(m_card);
        auto* layout = qobject_cast<QVBoxLayout*>(view.layout());
        QVERIFY(layout);
        QCOMPARE(layout->indexOf(view.tabViewA()), 1);
        view.tabEventButton()->click();
        QCOMPARE(layout->indexOf(view.tabViewB()), 1);
        view.tabTripButton()->click();
        QCOMPARE(layout->indexOf(view.tabViewA()), 1);
    }

    void aClickIsReportedAndSelectsNothing()
    {
        VideoListView view;
        view.resize(340, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        ClickLog log;
        view.delegate = &log;
        view.setData(m_card);
        const QRect cell = view.listTable()->visualRect(view.tableModel()->index(1, RecordingListModel::InfoColumn));
        QTest::mousePress(view.listTable()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(view.listTable()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(log.clicks.size(), 1);
        QCOMPARE(log.clicks[0].first, ListType::Trip);
        QCOMPARE(log.clicks[0].second, 1);
        QCOMPARE(view.selectedTableRow(), -1);
        QCOMPARE(view.list().currentRow(ListType::Trip), -1);

        // The main window's answer selects.
        QVERIFY(view.selectRow(1, ListType::Trip, false));
        QCOMPARE(view.selectedTableRow(), 1);
        view.delegate = nullptr;
    }

    void theHeaderAndTheSelectedRowAreDrawnAsLaidDown()
    {
        VideoListView view;
        view.resize(340, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setData(m_card);
        QVERIFY(view.selectRow(0, ListType::Trip, false));
        QHeaderView* header = view.listTable()->horizontalHeader();
        const QImage h = header->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QColor swatch = QColor::fromRgbF(0.2, 0.2, 0.2);
        const auto right = [&](int column) {
            return header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
        };
        // The info header keeps a black strip at its right edge; the image
        // header is covered edge to edge.
        for (int y = 0; y < h.height(); ++y) QCOMPARE(h.pixelColor(right(RecordingListModel::InfoColumn), y), QColor(Qt::black));
        QCOMPARE(h.pixelColor(right(RecordingListModel::InfoColumn) - 1, 0), swatch);
        QCOMPARE(h.pixelColor(right(RecordingListModel::ImageColumn), 0), swatch);
        // The info title's line sits on the header's bottom edge: its
        // letters lie where they lie in a line of their own drawn there.
        const auto litRows = [](const QImage& image, int from, int to) {
            int top = image.height(), bottom = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = from; x < to; ++x)
                    if (image.pixelColor(x, y).lightness() > 160) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
            return std::pair(top, bottom);
        };
        const QFontMetrics fm(header->font());
        QImage line(header->sectionSize(RecordingListModel::InfoColumn), fm.height(), QImage::Format_RGB32);
        line.fill(Qt::black);
        {
            QPainter p(&line);
            p.setPen(Qt::white);
            p.setFont(header->font());
            p.drawText(line.rect(), Qt::AlignLeft | Qt::AlignTop, view.listTable()->infoTitle);
        }
        const auto [lineTop, lineBottom] = litRows(line, 0, line.width());
        const int from = header->sectionViewportPosition(RecordingListModel::InfoColumn);
        const int below = h.height() - fm.height();
        QCOMPARE(litRows(h, from, right(RecordingListModel::InfoColumn)), std::pair(below + lineTop, below + lineBottom));

        // The selected row is filled but for its bottom line.
        QTableView* table = view.listTable();
        const QRect row = table->visualRect(view.tableModel()->index(0, RecordingListModel::InfoColumn));
        const QImage rows = table->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QColor selected = table->palette().color(QPalette::Active, QPalette::Highlight);
        QCOMPARE(rows.pixelColor(row.right() - 1, row.top()), selected);
        QCOMPARE(rows.pixelColor(row.right() - 1, row.bottom() - 1), selected);
        QVERIFY(rows.pixelColor(row.right() - 1, row.bottom()) != selected);
    }

    void selectingAnotherListLeavesTheTableAlone()
    {
        VideoListView view;
        view.setData(m_card);
        view.tabEventButton()->click();
        QVERIFY(view.selectRow(0, ListType::Event, false));
        QCOMPARE(view.selectedTableRow(), 0);
        QVERIFY(view.selectRow(1, ListType::Trip, false));
        QCOMPARE(view.selectedTableRow(), 0);
        QCOMPARE(view.list().workRowTrip(), 1);
        QVERIFY(!view.selectRow(5, ListType::Event, false));
        QVERIFY(view.selectRow(1, ListType::Trip, true));
        QCOMPARE(view.listType(), ListType::Trip);
        QCOMPARE(view.selectedTableRow(), 1);
    }

    void thumbnailsAreReadOffTheGuiThreadAndTheirRowsDrawnWhenTheyArrive()
    {
        VideoListView view;
        view.setData(m_card);
        const QModelIndex image = view.tableModel()->index(0, RecordingListModel::ImageColumn);
        QVERIFY(image.data(Qt::DecorationRole).isNull());

        // A row whose thumbnail file is there shows it once read; a broken file shows nothing.
        const QString good = m_dir.filePath(QStringLiteral("thumb.jpeg"));
        QImage picture(320, 180, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(good, "JPEG"));
        const QString broken = m_dir.filePath(QStringLiteral("broken.jpeg"));
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();
        RecordingList::Record withPicture{QStringLiteral("a\nb"), good, RecordingList::RecordType::Always};
        RecordingList::Record brokenPicture{QStringLiteral("a\nb"), broken, RecordingList::RecordType::Always};
        {
            RecordingListModel model;
            std::atomic<int> reads{0};
            model.thumbnails()->setReader([&reads](const QString& path, const QSize& size) {
                QImage read = ListThumbnails::readScaled(path, size);
                ++reads;
                return read;
            });
            model.setRows({withPicture, brokenPicture}, -1);
            model.index(0, RecordingListModel::ImageColumn).data(Qt::DecorationRole);
            model.index(1, RecordingListModel::ImageColumn).data(Qt::DecorationRole);
            QTRY_COMPARE(reads.load(), 2);
            // The reader counts before it hands the picture back to this thread.
            const auto shownPicture = [&model] {
                return model.index(0, RecordingListModel::ImageColumn).data(Qt::DecorationRole).value<QPixmap>();
            };
            QTRY_VERIFY(!shownPicture().isNull());
            const QPixmap shown = shownPicture();
            QVERIFY(shown.width() <= RecordingListModel::THUMBNAIL_SIZE.width());
            QVERIFY(model.index(1, RecordingListModel::ImageColumn).data(Qt::DecorationRole).isNull());
            QCOMPARE(reads.load(), 2); // the broken file is not read again at every drawing
        }

        // A disk that holds the read: drawing the rows goes on without the
        // pictures, and the row is drawn again when its picture comes. Should
        // the drawing wait for the read, a helper lets it go after a second.
        view.resize(340, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSemaphore gate, testDone;
        std::atomic<int> waiting{0};
        RecordingListModel* model = view.tableModel();
        model->thumbnails()->setReader([&](const QString& path, const QSize& size) {
            ++waiting;
            gate.acquire();
            return ListThumbnails::readScaled(path, size);
        });
        std::thread helper([&] {
            testDone.tryAcquire(1, 1000);
            gate.release(10);
        });
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        model->setRows({withPicture, withPicture}, -1);
        changed.clear();
        auto cellColour = [&] {
            const QRect cell = view.listTable()->visualRect(model->index(1, RecordingListModel::ImageColumn));
            return view.listTable()->viewport()->grab().toImage().pixelColor(cell.center());
        };
        QElapsedTimer drawing;
        drawing.start();
        const QColor before = cellColour();
        const qint64 drawingMs = drawing.elapsed();
        QVERIFY2(drawingMs < 500, qPrintable(QStringLiteral("drawing waited %1 ms").arg(drawingMs)));
        QTRY_COMPARE(waiting.load(), 1); // one read for both rows of the file
        QVERIFY(qAbs(before.green() - 128) > 40 || qAbs(before.blue() - 128) > 40);
        gate.release(10);
        QTRY_COMPARE(changed.count(), 2);
        for (int row : {0, 1}) {
            const auto arguments = changed.at(row);
            QCOMPARE(arguments.at(0).toModelIndex(), model->index(row, RecordingListModel::ImageColumn));
            QCOMPARE(arguments.at(2).value<QList<int>>(), QList<int>{Qt::DecorationRole});
        }
        const QColor after = cellColour();
        QVERIFY2(qAbs(after.red()) < 40 && qAbs(after.green() - 128) < 40 && qAbs(after.blue() - 128) < 40,
                 qPrintable(after.name()));
        testDone.release();
        helper.join();

        // Another catalogue makes its files again under the same names.
        view.setData(m_card);
        model->setRows({withPicture}, -1);
        QVERIFY(model->index(0, RecordingListModel::ImageColumn).data(Qt::DecorationRole).isNull());
        QTRY_COMPARE(waiting.load(), 2);
        QTRY_VERIFY(!model->index(0, RecordingListModel::ImageColumn).data(Qt::DecorationRole).isNull());
    }

    void tabsCarryTheirToolTips()
    {
        VideoListView view;
        QCOMPARE(view.tabTripButton()->toolTip(), QStringLiteral("List from Engine ON till OFF"));
        QCOMPARE(view.tabChapterButton()->toolTip(), QStringLiteral("Break down list of selected trip"));
        QCOMPARE(view.tabEventButton()->toolTip(), QStringLiteral("Event list at the time of sensing shock"));
        QCOMPARE(view.tabSurveillanceButton()->toolTip(),
                 QStringLiteral("Surveillance list at the time of sensing shock"));
        QCOMPARE(view.tabAdventureButton()->toolTip(), QStringLiteral("List from Adventure ON till OFF"));
        QVERIFY(!view.tabTripButton()->icon().isNull());
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_written;
    std::shared_ptr<CardData> m_card;
};

KR_TEST_MAIN(TestVideoListView)
#include "tst_videolistview.moc"
