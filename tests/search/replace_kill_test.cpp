// A process running a global search and replace is killed at points spread over the whole
// run (exclusive open, sort index taken away, the sweep, the index built again). Wherever the
// kill lands, every record must be either as it was or fully replaced, and the program's
// start must open the file in its sort order with every record.
#include "core/field_catalogue.h"
#include "db/engine/dbf_table.h"
#include "db/engine/table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "search/search_replace.h"
#include "support/fake_main_hooks.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const QString kSort = QStringLiteral("Upper(Left(Category,40))+Upper(Left(Item,40))");
constexpr int kRecords = 30000;
const char *const kCategories[] = {"Tools", "art", "Kitchen", "ART", "Books", "Art"};

std::vector<std::string> records(const std::string &path) {
    db::DbfTable t(path, db::OpenMode::ReadOnly);
    std::vector<std::string> out;
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
        out.emplace_back(t.record(r));
    return out;
}

class NoQuestions : public replace::SweepObserver {
public:
    void progress(const replace::Counters &) override {}
    bool confirm(const QString &) override { return true; }
};

class ReplaceKillTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("INV.DBF")).toStdString();
        m_mdx = m_dir.filePath(QStringLiteral("INV.MDX")).toStdString();
        fixture::newRawInventory(
            m_path, kRecords,
            [](const db::DbfTable &t, std::string &rec, int i) {
                t.setText(rec, field::Item, "item " + std::to_string(i));
                t.setText(rec, field::Category, kCategories[(i * 7) % 6]);
                t.setText(rec, field::Brand, "brand " + std::to_string(i % 97));
            },
            kSort);
        m_before = records(m_path);
        const db::DbfTable t(m_path, db::OpenMode::ReadOnly);
        const db::FieldDef &f = t.field(field::Category);
        for (std::string rec : m_before) {
            std::string cat = t.text(rec, field::Category);
            for (char &c : cat)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (cat == "ART") {
                std::string replaced = "Zebra";
                replaced.resize(static_cast<std::size_t>(f.length), ' ');
                rec.replace(static_cast<std::size_t>(f.offset), replaced.size(), replaced);
                ++m_matches;
            }
            m_after.push_back(std::move(rec));
        }
        m_kept.emplace(m_dir.path().toStdString(), std::vector<std::string>{m_path, m_mdx});
    }

    void restore() { m_kept->restore(); }

    // Runs the replace in a child as the window does; kills it `delay` after it is about to
    // start (never, when delay is negative). Returns how long it ran when it finished.
    std::chrono::microseconds replaceAndKill(std::chrono::microseconds delay) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            int status = 1;
            try {
                MyTable table;
                table.setIndexName(QStringLiteral("NewIndex"));
                table.open(QString::fromStdString(m_path), MyTable::OpenMode::Shared);
                FakeMainHooks hooks;
                hooks.expression = kSort;
                ScriptedPrompter prompter;
                NoQuestions observer;
                replace::Counters counters;
                const auto checked = replace::CheckInput(
                    {field::Category + 1, QStringLiteral("art"), QStringLiteral("Zebra"), false});
                const char go = 1;
                (void)!::write(ready[1], &go, 1);
                const replace::Outcome outcome =
                    replace::Run(table, hooks, prompter, std::get<replace::CheckedRequest>(checked),
                                 observer, counters);
                status = outcome == replace::Outcome::Done && counters.changed == m_matches ? 0 : 3;
            } catch (...) {
                status = 2;
            }
            ::_exit(status);
        }
        ::close(ready[1]);
        char go = 0;
        EXPECT_EQ(::read(ready[0], &go, 1), 1) << "the child could not open the table";
        ::close(ready[0]);
        const Clock::time_point start = Clock::now();
        if (delay.count() >= 0) {
            std::this_thread::sleep_for(delay); // where the kill lands, not a wait for it
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const auto ran =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        if (WIFEXITED(status))
            EXPECT_EQ(WEXITSTATUS(status), 0) << "the replace failed";
        else
            EXPECT_EQ(WTERMSIG(status), SIGKILL);
        return ran;
    }

    // What must hold however the run ended; returns how many records were replaced.
    int expectSoundFile(const std::string &when) {
        SCOPED_TRACE(when);
        const std::vector<std::string> now = records(m_path);
        EXPECT_EQ(now.size(), m_before.size()) << "records lost or added";
        if (now.size() != m_before.size())
            return -1;
        int replaced = 0;
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i] == m_after[i] && now[i] != m_before[i])
                ++replaced;
            else if (now[i] != m_before[i]) {
                ADD_FAILURE() << "record " << i + 1 << " is neither as it was nor replaced";
                return -1;
            }
        }
        // The program's start opens it in its sort order, building the index if it must.
        ScriptedPrompter prompter;
        MyTable table;
        const auto names = OpenInventory(table, QString::fromStdString(m_path), kSort,
                                         OpenPath::StartUp, prompter);
        EXPECT_TRUE(names.has_value());
        EXPECT_TRUE(prompter.asked.empty());
        EXPECT_EQ(table.indexName(), QStringLiteral("NewIndex"));
        EXPECT_EQ(table.recordCount(), kRecords);
        std::int64_t seen = 0;
        QString lastKey;
        for (MyTable::Scanner s = table.scanner(); s.next(); ++seen) {
            const QString key = s.view().text(field::Category).toUpper() + u'\x01' +
                                s.view().text(field::Item).toUpper();
            EXPECT_GE(key, lastKey) << "out of sort order at " << seen;
            if (key < lastKey)
                break;
            lastKey = key;
        }
        EXPECT_EQ(seen, kRecords);
        return replaced;
    }

    QTemporaryDir m_dir;
    std::optional<fixture::KeptFiles> m_kept;
    std::string m_path;
    std::string m_mdx;
    std::vector<std::string> m_before, m_after;
    int m_matches = 0;
};

} // namespace

TEST_F(ReplaceKillTest, EveryKillPointLeavesWholeRecordsAndAFileThatOpensSorted) {
    // One run to completion tells how long a run takes here; the kills are spread over it.
    const std::chrono::microseconds whole = replaceAndKill(std::chrono::microseconds(-1));
    ASSERT_EQ(expectSoundFile("ran to the end"), m_matches);
    constexpr int kKills = 12;
    bool sawPartial = false;
    for (int k = 0; k < kKills; ++k) {
        restore();
        const auto delay = whole * k / (kKills - 2);
        replaceAndKill(delay);
        const int replaced = expectSoundFile("kill after " + std::to_string(delay.count()) +
                                             " us of " + std::to_string(whole.count()));
        if (HasFailure())
            return;
        sawPartial = sawPartial || (replaced > 0 && replaced < m_matches);
    }
    // Not a requirement of the file, but a sign the kills landed in the sweep and not only
    // before or after it.
    RecordProperty("kill_landed_mid_sweep", sawPartial ? "yes" : "no");
}
