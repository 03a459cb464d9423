#include "platform/qt/qt_tree.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "app/qt_test_support.h"
#include "platform/error.h"

namespace veltrana {
namespace {

// Texts of the children of parent, as a view sees them once it opens parent.
std::vector<std::string> childTexts(QAbstractItemModel& model, const QModelIndex& parent) {
    model.fetchMore(parent);
    std::vector<std::string> texts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        texts.push_back(model.index(row, 0, parent).data().toString().toStdString());
    }
    return texts;
}

class QtTreeTest : public ::testing::Test {
protected:
    // A root sorted before its children, as the start-up build makes it.
    void addClass(const std::vector<std::string>& students) {
        tree.Add("", "爷", "班级");
        tree.setSorted("爷");
        int id = 0;
        for (const auto& name : students) {
            std::string student = "父" + std::to_string(++id);
            tree.Add("爷", student, name);
            tree.Add(student, "子" + std::to_string(id) + "1", "语文");
            tree.Add("子" + std::to_string(id) + "1", "孙" + std::to_string(id) + "_1_1",
                     "古诗文阅读");
        }
    }

    QtTreeView tree;
};

TEST_F(QtTreeTest, ModelKeepsQtsContractWhileNodesArriveInClosedAndOpenParts) {
    QAbstractItemModelTester tester(tree.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    tree.show();
    addClass({"张伟", "李娜", "王芳", ""});
    QModelIndex root = tree.model()->index(0, 0);
    EXPECT_TRUE(tree.model()->hasChildren(root));

    tree.expandAll();
    tree.Add("爷", "父9", "安琪");
    tree.Add("父9", "子91", "语文");
    tree.Add("子11", "孙1_1_2", "文言文虚词");
    tree.Add("子91", "孙9_1_1", "古诗文阅读");
    tree.select("孙9_1_1");

    EXPECT_EQ(childTexts(*tree.model(), root),
              (std::vector<std::string>{"", "安琪", "李娜", "王芳", "张伟"}));
    QModelIndex zhang = tree.model()->index(4, 0, root);
    QModelIndex chinese = tree.model()->index(0, 0, zhang);
    EXPECT_EQ(childTexts(*tree.model(), chinese),
              (std::vector<std::string>{"古诗文阅读", "文言文虚词"}));
}

TEST_F(QtTreeTest, StudentsUnderTheSortedRootFollowPinyinOrder) {
    addClass({"张伟", "李娜", "王芳", "安琪", "赵敏"});
    QModelIndex root = tree.model()->index(0, 0);
    EXPECT_EQ(childTexts(*tree.model(), root),
              (std::vector<std::string>{"安琪", "李娜", "王芳", "张伟", "赵敏"}));
}

TEST_F(QtTreeTest, ChildrenOfUnsortedNodesKeepTheirAddingOrder) {
    addClass({"李娜"});
    for (const char* course : {"数学", "英语", "物理"}) {
        tree.Add("父1", std::string("子1") + course, course);
    }
    QModelIndex student = tree.model()->index(0, 0, tree.model()->index(0, 0));
    EXPECT_EQ(childTexts(*tree.model(), student),
              (std::vector<std::string>{"语文", "数学", "英语", "物理"}));
}

TEST_F(QtTreeTest, SameNameStudentsKeepTheirOrderAndBothShow) {
    addClass({"王芳", "李娜", "王芳"});
    QModelIndex root = tree.model()->index(0, 0);
    EXPECT_EQ(childTexts(*tree.model(), root), (std::vector<std::string>{"李娜", "王芳", "王芳"}));
    const auto& model = tree.keyedModel();
    EXPECT_EQ(model.tree().node(model.nodeOf(model.index(1, 0, root))).key, "父1");
    EXPECT_EQ(model.tree().node(model.nodeOf(model.index(2, 0, root))).key, "父3");
}

TEST_F(QtTreeTest, FailedAddsChangeNothing) {
    addClass({"李娜"});
    try {
        tree.Add("父1", "父1", "重复");
        FAIL() << "a used key was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::kKeyNotUnique);
    }
    try {
        tree.Add("父9", "子91", "语文");
        FAIL() << "a missing relative was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::kElementNotFound);
    }
    EXPECT_EQ(tree.keyedModel().tree().size(), 4);
    EXPECT_EQ(tree.model()->rowCount(tree.model()->index(0, 0)), 1);
}

TEST_F(QtTreeTest, SelectShowsTheNodeAndGivesItsPath) {
    tree.resize(200, 120);
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back("学生" + std::to_string(100 + i));
    }
    addClass(many);
    tree.show();
    tree.select("孙40_1_1");

    QModelIndex selected = tree.selectionModel()->selectedIndexes().value(0);
    ASSERT_TRUE(selected.isValid());
    EXPECT_TRUE(tree.isExpanded(selected.parent()));
    EXPECT_TRUE(tree.isExpanded(selected.parent().parent()));
    EXPECT_TRUE(tree.viewport()->rect().contains(tree.visualRect(selected)));
    EXPECT_EQ(tree.selectedNodeTexts(),
              (std::vector<std::string>{"班级", "学生139", "语文", "古诗文阅读"}));
}

TEST_F(QtTreeTest, NoSelectionAndUnknownKeysFail) {
    addClass({"李娜"});
    try {
        tree.selectedNodeTexts();
        FAIL() << "texts without a selection";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::kObjectNotSet);
    }
    try {
        tree.select("父2");
        FAIL() << "selected a missing key";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::kElementNotFound);
    }
}

}  // namespace
}  // namespace veltrana
