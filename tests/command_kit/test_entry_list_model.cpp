#include "command_kit/entry_list_model.h"
#include "command_kit/entry_store.h"
#include "os/failure.h"
#include "support/qt_printers.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

#include <random>

using namespace Qt::StringLiterals;
using namespace ferrowax;

namespace {

TEST(EntryListModel, CommandsSeeEntriesNumberedFromOne)
{
    EntryListModel list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.addColumn(u"Folder(s)"_s);
    list.append("/a");
    list.append("/b");
    list.append("/a");
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.entry(1), "/a");
    EXPECT_EQ(list.entry(3), "/a");
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.headerData(0, Qt::Horizontal).toString(), u"Folder(s)"_s);

    list.remove(2);
    EXPECT_EQ(list.entry(2), "/a");
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

// The compact store against the plainest model of a list: random appends,
// removals, ticks and clears must leave both holding the same.
TEST(EntryStore, KeepsWhatAPlainListOfEntriesKeeps)
{
    std::mt19937 random(20261208);
    const std::vector<QByteArray> folders{"/", "/home/ada/", "/home/ada/Pictures/", "/tmp/caf\xe9/", "", "rel/"};
    const std::vector<QByteArray> names{"a.txt", "B.JPG", "", "n\xffo.txt", "x", "\xe6\x97\xa5.txt"};
    const auto pick = [&](const auto& from) { return from[random() % from.size()]; };
    EntryStore store;
    std::vector<std::pair<QByteArray, bool>> plain;
    for (int step = 0; step < 5000; ++step) {
        switch (random() % 12) {
        case 0: { // remove a random subset
            std::vector<std::size_t> gone;
            for (std::size_t i = 0; i < plain.size(); ++i) {
                if (random() % 3 == 0)
                    gone.push_back(i);
            }
            store.remove(gone);
            for (auto i = gone.rbegin(); i != gone.rend(); ++i)
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(*i));
            break;
        }
        case 1:
            if (random() % 20 == 0) {
                store.clear();
                plain.clear();
            }
            break;
        case 2:
            if (!plain.empty()) {
                const std::size_t i = random() % plain.size();
                const bool checked = random() % 2 == 0;
                store.setChecked(i, checked);
                plain[i].second = checked;
            }
            break;
        case 3: { // a whole entry, split by the store itself
            const QByteArray entry = pick(folders) + pick(names);
            const bool checked = random() % 2 == 0;
            store.append(entry, checked);
            plain.emplace_back(entry, checked);
            break;
        }
        default: {
            const QByteArray folder = pick(folders);
            const QByteArray name = pick(names);
            const bool checked = random() % 2 == 0;
            store.append(folder, name, checked);
            plain.emplace_back(folder + name, checked);
            break;
        }
        }
        ASSERT_EQ(store.size(), plain.size()) << step;
    }
    QByteArray copied;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(store.entry(i), plain[i].first) << i;
        EXPECT_EQ(store.isChecked(i), plain[i].second) << i;
        store.copyEntry(i, copied);
        EXPECT_EQ(copied, plain[i].first) << i;
    }
}

TEST(EntryListModel, ANumberThatNamesNoEntryFails)
{
    EntryListModel list;
    list.append("x");
    EXPECT_THROW(list.entry(0), Failure);
    EXPECT_THROW(list.entry(2), Failure);
    EXPECT_THROW(list.remove(2), Failure);
    EXPECT_EQ(list.count(), 1);
}

TEST(EntryListModel, BytesStayExactWhileTheViewShowsReplacementCharacters)
{
    EntryListModel list;
    list.addColumn(u"Results"_s);
    const QByteArray latin1Name("/tmp/caf\xe9.txt");
    list.append(latin1Name);
    EXPECT_EQ(list.entry(1), latin1Name);
    EXPECT_EQ(list.data(list.index(0, 0)).toString(), u"/tmp/caf\uFFFD.txt"_s);
}

// Results drag out as the files they name, whatever bytes the names are;
// the other lists drag nothing.
TEST(EntryListModel, ResultsDragOutAsFileAddressesOfTheirBytes)
{
    EntryListModel results(EntryListModel::Appends::Immediate, EntryListModel::CheckBoxes::Shown,
        EntryListModel::Drags::Files);
    results.addColumn(u"Results"_s);
    for (const QByteArray& path : {QByteArray("/tmp/caf\xe9 #1.txt"), QByteArray("/a"), QByteArray("/b%.jpg")})
        results.append(path, true);
    const std::unique_ptr<QMimeData> dragged(results.mimeData({results.index(2, 0), results.index(0, 0)}));
    EXPECT_EQ(dragged->data(u"text/uri-list"_s), "file:///tmp/caf%E9%20%231.txt\r\nfile:///b%25.jpg\r\n");
    EXPECT_EQ(dragged->text(), u"/tmp/caf\uFFFD #1.txt\n/b%.jpg\n"_s);
    EXPECT_TRUE(results.flags(results.index(0, 0)).testFlag(Qt::ItemIsDragEnabled));

    EntryListModel folders;
    folders.addColumn(u"Folder(s)"_s);
    folders.append("/a");
    EXPECT_FALSE(folders.flags(folders.index(0, 0)).testFlag(Qt::ItemIsDragEnabled));
}

TEST(EntryListModel, OnlyAListWithCheckBoxesLetsTheUserTickEntries)
{
    EntryListModel results(EntryListModel::Appends::Immediate, EntryListModel::CheckBoxes::Shown);
    QAbstractItemModelTester tester(&results, QAbstractItemModelTester::FailureReportingMode::Fatal);
    results.addColumn(u"Results"_s);
    results.append("/found", true);
    results.append("/other");
    const QModelIndex first = results.index(0, 0);
    EXPECT_TRUE(results.flags(first) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(results.data(first, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_FALSE(results.isChecked(2));

    QSignalSpy changed(&results, &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(results.setData(first, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(results.isChecked(1));
    results.setChecked(2, true); // the last row shown repaints too
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[1][0].toModelIndex().row(), 1);
    EXPECT_THROW(results.isChecked(3), Failure);

    // Many at once: one change for each run of neighbours.
    results.append("/third", true);
    results.append("/fourth", true);
    changed.clear();
    results.setCheckedEntries({1, 2, 4}, false);
    EXPECT_EQ((std::vector<bool>{results.isChecked(1), results.isChecked(2), results.isChecked(3), results.isChecked(4)}),
        (std::vector<bool>{false, false, true, false}));
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 1);
    EXPECT_EQ(changed[1][0].toModelIndex().row(), 3);

    EntryListModel folders;
    folders.addColumn(u"Folder(s)"_s);
    folders.append("/a", true);
    EXPECT_FALSE(folders.flags(folders.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(folders.data(folders.index(0, 0), Qt::CheckStateRole).isValid());
    EXPECT_FALSE(folders.setData(folders.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
}

TEST(EntryListModel, BatchedAppendsReachTheViewTogether)
{
    EntryListModel list(EntryListModel::Appends::Batched);
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.addColumn(u"Results"_s);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QSignalSpy scrolled(&list, &EntryListModel::scrollToEndRequested);

    for (int i = 0; i < 1000; ++i)
        list.append(QByteArray::number(i));
    list.requestScrollToEnd();
    EXPECT_EQ(list.count(), 1000);
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.entry(1000), "999");
    EXPECT_EQ(scrolled.count(), 0);

    ASSERT_TRUE(inserted.wait(1000));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(list.rowCount(), 1000);
    EXPECT_EQ(scrolled.count(), 1);
}

// A search appends far more often than the batch interval; the batch must
// still reach the view while the appends go on.
TEST(EntryListModel, BatchesKeepComingWhileAppendsGoOn)
{
    EntryListModel list(EntryListModel::Appends::Batched);
    list.addColumn(u"Results"_s);
    QElapsedTimer appending;
    appending.start();
    int shownWhileAppending = 0;
    while (shownWhileAppending == 0 && appending.elapsed() < 60000) {
        list.append("/found");
        QCoreApplication::processEvents();
        shownWhileAppending = list.rowCount();
        QThread::msleep(2);
    }
    EXPECT_GT(shownWhileAppending, 0);
}

TEST(EntryListModel, RemovalShowsQueuedAppendsFirst)
{
    EntryListModel list(EntryListModel::Appends::Batched);
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.addColumn(u"Results"_s);
    list.append("a");
    list.append("b");
    list.append("c");
    list.remove(3);
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.entry(2), "b");

    list.append("d");
    list.clear();
    EXPECT_EQ(list.rowCount(), 0);
    list.append("e");
    list.showQueuedAppends();
    EXPECT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.data(list.index(0, 0)).toString(), u"e"_s);
}

} // namespace
