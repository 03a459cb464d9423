#include "store/new_folder.h"

#include <filesystem>

#include "db/connection.h"
#include "gmock/gmock.h"
#include "logic/class_tables.h"
#include "tree/form_load.h"

namespace veltrana::test {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

int foldersUnder(const std::string& root) {
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(u8path(root))) {
        count += entry.is_directory() ? 1 : 0;
    }
    return count;
}

class NewFolderTest : public ClassTest {
protected:
    void load(const std::vector<TableData>& tables) {
        useClass(tables);
        Form_Load(form);
    }
    Error failure() {
        try {
            NewFolder_Click(form);
        } catch (const Error& error) {
            return error;
        }
        throw std::logic_error("the run did not fail");
    }
    // Every node of the tree, root included, has its folder.
    void expectEveryNodeHasItsFolder() {
        const KeyedTree& nodes = window.tree.nodes;
        for (int i = 0; i < nodes.size(); ++i) {
            std::string folder = data();
            auto texts = nodes.pathTexts(i);
            for (std::size_t t = 1; t < texts.size(); ++t) {
                folder += kSeparator + texts[t];
            }
            EXPECT_TRUE(std::filesystem::is_directory(u8path(folder))) << folder;
        }
    }
};

TEST_P(NewFolderTest, OneRunMakesTheWholeLayoutAndASecondRunNothing) {
    load(makeClass(3, 2));
    NewFolder_Click(form);
    const int expected = 1 + 3 + 6 * 3 + 3 * (6 * 2);
    EXPECT_EQ(window.files.foldersCreated, expected);
    EXPECT_EQ(foldersUnder(dir.path()), expected);
    EXPECT_TRUE(std::filesystem::is_directory(u8path(under("学生3/生物/生物知识点2"))));
    expectEveryNodeHasItsFolder();
    EXPECT_THAT(window.dialogs.busyChanges, ElementsAre(true, false));
    EXPECT_FALSE(form.dbRs->isOpen());

    NewFolder_Click(form);
    EXPECT_EQ(window.files.foldersCreated, expected);
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
}

TEST_P(NewFolderTest, StudentAddedLaterGetsTheWholeSubtreeAndNothingElseChanges) {
    auto tables = makeClass(2, 1);
    load(tables);
    NewFolder_Click(form);
    std::string work = under("学生1/语文/语文知识点1/作业.jpg");
    writeFile(work, "earlier work");
    int before = window.files.foldersCreated;

    tableNamed(tables, "Students").rows.push_back({"3", "学生3", "理科"});
    useClass(tables);
    DB_Connect_Click(form);
    NewFolder_Click(form);
    EXPECT_EQ(window.files.foldersCreated - before, 1 + 6 + 6);
    EXPECT_EQ(readFile(work), "earlier work");
}

TEST_P(NewFolderTest, CourseOutsideTheSubjectsGetsAnEmptyFolder) {
    auto tables = makeClass(2, 1);
    tableNamed(tables, "Bflearning").rows.push_back({"7", "班会", "班会"});
    load(tables);
    NewFolder_Click(form);
    EXPECT_TRUE(std::filesystem::is_empty(u8path(under("学生2/班会"))));
    EXPECT_EQ(window.files.foldersCreated, 1 + 2 + 7 * 2 + 2 * 6);
}

TEST_P(NewFolderTest, OtherStreamAndRenamedCoursesGetTheFoldersOfTheirNodes) {
    auto tables = makeClass(2, 2, "文科");
    tableNamed(tables, "Bflearning").rows[3][2] = "思想政治";
    load(tables);
    NewFolder_Click(form);
    EXPECT_TRUE(std::filesystem::is_directory(u8path(under("学生1/思想政治/政治知识点2"))));
    EXPECT_FALSE(std::filesystem::exists(u8path(under("学生1/物理"))));
    expectEveryNodeHasItsFolder();
}

TEST_P(NewFolderTest, BeforeAnyBuildTheStreamIsDecidedAsTheBuildDoes) {
    useClass(makeClass(1, 1, "文科"));
    DB_Connect_Click(form);
    NewFolder_Click(form);
    EXPECT_TRUE(std::filesystem::is_directory(u8path(under("学生1/历史/历史知识点1"))));
}

TEST_P(NewFolderTest, StudentsOfOneNameShareOneSubtree) {
    auto tables = makeClass(3, 1);
    tableNamed(tables, "Students").rows[2][1] = "学生1";
    load(tables);
    NewFolder_Click(form);
    EXPECT_EQ(window.files.foldersCreated, 1 + 2 + 6 * 2 + 2 * 6);
}

TEST_P(NewFolderTest, FileNamedLikeAStudentStopsTheRunAtItsFirstCourse) {
    load(makeClass(2, 1));
    writeFile(under("学生2"), "not a folder");
    Error error = failure();
    EXPECT_EQ(error.number(), err::kPathNotFound);
    EXPECT_THAT(error.description(), HasSubstr(under("学生2/语文")));
    EXPECT_EQ(readFile(under("学生2")), "not a folder");
    EXPECT_EQ(window.files.foldersCreated, 1 + 6);  // Data was there already
    EXPECT_THAT(window.dialogs.busyChanges, ElementsAre(true, false));
}

TEST_P(NewFolderTest, FolderThatCannotBeMadeStopsTheRunAndKeepsWhatItMade) {
    load(makeClass(2, 2));
    window.files.failCreating = under("学生2/数学/数学知识点1");
    EXPECT_EQ(failure().number(), err::kPermissionDenied);
    EXPECT_TRUE(std::filesystem::is_directory(u8path(under("学生1/数学/数学知识点2"))));
    EXPECT_FALSE(std::filesystem::exists(u8path(under("学生2/数学/数学知识点2"))));
    EXPECT_FALSE(std::filesystem::exists(u8path(under("学生1/英语/英语知识点1"))));
    EXPECT_EQ(window.files.foldersCreated, 1 + 2 + 2 * 6 + 2 * 2 + 2);
}

TEST_P(NewFolderTest, SubjectWithoutItsCourseRowIsReported) {
    auto tables = makeClass(1, 1);
    auto& courses = tableNamed(tables, "Bflearning").rows;
    courses.erase(courses.begin() + 3);
    useClass(tables);
    DB_Connect_Click(form);
    Error error = failure();
    EXPECT_EQ(error.number(), err::kPathNotFound);
    EXPECT_THAT(error.description(), HasSubstr("物理"));
}

TEST_P(NewFolderTest, ClosedConnectionFailsAfterMakingData) {
    load(makeClass(1, 1));
    Disconnect_Click(form);
    EXPECT_EQ(failure().number(), err::kConnectionNotUsable);
    EXPECT_TRUE(std::filesystem::is_directory(u8path(data())));
}

INSTANTIATE_TEST_SUITE_P(Backends, NewFolderTest, kBackends, backendName);

struct UnsafeName {
    const char* table;
    std::size_t row;
    std::size_t column;
    Value value;
};

class UnsafeNameTest : public NewFolderTest {
protected:
    static std::vector<std::string> entriesUnder(const std::string& root) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(u8path(root))) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

TEST_P(UnsafeNameTest, NothingIsMadeOutsideDataAndTheValueIsNamed) {
    const std::vector<UnsafeName> cases = {
        {"Students", 1, 1, ""},      {"Students", 1, 1, ".."},      {"Students", 1, 1, "a/b"},
        {"Students", 1, 1, "a\\b"},  {"Students", 0, 1, Value()},   {"Bflearning", 2, 1, ".."},
        {"Bflearning", 0, 1, "a/b"}, {"Bflearning", 5, 1, Value()}, {"数学", 0, 1, ".."},
        {"数学", 1, 1, "a/b"},       {"数学", 0, 1, "a\\b"},        {"数学", 1, 1, ""},
    };
    for (const UnsafeName& unsafe : cases) {
        SCOPED_TRACE(std::string(unsafe.table) + " " + text(unsafe.value));
        std::filesystem::remove_all(u8path(data()));
        auto tables = makeClass(2, 2);
        tableNamed(tables, unsafe.table).rows[unsafe.row][unsafe.column] = unsafe.value;
        useClass(tables);
        DB_Connect_Click(form);
        Error error = failure();
        EXPECT_EQ(error.number(), err::kPathFileAccess);
        EXPECT_THAT(error.description(),
                    HasSubstr(unsafe.value ? "“" + *unsafe.value + "”" : "Null"));
        for (const auto& name : entriesUnder(dir.path())) {
            EXPECT_NE(name, "a");
            EXPECT_NE(name, "a\\b");
        }
        for (const auto& entry : std::filesystem::directory_iterator(u8path(dir.path()))) {
            EXPECT_THAT(entry.path().filename().string(), AnyOf("Data", "DataBases.mdb"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, UnsafeNameTest, kBackends, backendName);

}  // namespace
}  // namespace veltrana::test
