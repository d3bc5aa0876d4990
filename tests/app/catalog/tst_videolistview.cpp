// The recording list widget: tabs, rows, header, clicks, thumbnails.

#include "AppTestSupport.h"
#include "app/catalog/CustomTableView.h"
#include "app/catalog/RecordingListModel.h"
#include "app/catalog/VideoListView.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

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

    void thumbnailsAppearOnceTheirFilesExist()
    {
        VideoListView view;
        view.setData(m_card);
        const QModelIndex image = view.tableModel()->index(0, RecordingListModel::ImageColumn);
        QVERIFY(image.data(Qt::DecorationRole).isNull());

        // A row whose thumbnail file is there shows it; a broken file shows nothing.
        const QString good = m_dir.filePath(QStringLiteral("thumb.jpeg"));
        QImage picture(320, 180, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(good, "JPEG"));
        const QString broken = m_dir.filePath(QStringLiteral("broken.jpeg"));
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();
        RecordingListModel model;
        RecordingList::Record withPicture{QStringLiteral("a\nb"), good, RecordingList::RecordType::Always};
        RecordingList::Record brokenPicture{QStringLiteral("a\nb"), broken, RecordingList::RecordType::Always};
        model.setRows({withPicture, brokenPicture}, -1);
        const QPixmap shown = model.index(0, RecordingListModel::ImageColumn).data(Qt::DecorationRole).value<QPixmap>();
        QVERIFY(!shown.isNull());
        QVERIFY(shown.width() <= RecordingListModel::THUMBNAIL_SIZE.width());
        QVERIFY(model.index(1, RecordingListModel::ImageColumn).data(Qt::DecorationRole).isNull());
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

QTEST_MAIN(TestVideoListView)
#include "tst_videolistview.moc"
