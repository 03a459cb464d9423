#include "platform/qt/qt_tree.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "app/qt_test_support.h"
#include "platform/error.h"
#include "support/access_files.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using test::failsWith;
using test::rowTexts;
using Texts = std::vector<std::string>;

class QtTreeTest : public ::testing::Test {
protected:
    // A root sorted before its children, as the start-up build makes it.
    void addClass(const Texts& students) {
        tree.Add("", "爷", "班级");
        tree.setSorted("爷");
        int id = 0;
        for (const auto& name : students) {
            std::string student = "父" + std::to_string(++id);
            tree.Add("爷", student, name);
            tree.Add(student, "子" + std::to_string(id) + "1", "语文");
            tree.Add("子" + std::to_string(id) + "1", "孙" + std::to_string(id) + "_1_1", "古诗");
        }
    }
    QModelIndex root() const { return tree.model()->index(0, 0); }

    QtTreeView tree;
};

TEST_F(QtTreeTest, PinyinOrderUnderTheRootSameNamesInAddingOrderWhileNodesArrive) {
    QAbstractItemModelTester tester(tree.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    tree.show();
    addClass({"张伟", "李娜", "王芳", "", "李娜"});
    EXPECT_TRUE(tree.model()->hasChildren(root()));
    tree.expandAll();
    tree.Add("爷", "父9", "安琪");
    tree.Add("父9", "子91", "语文");
    tree.Add("子11", "孙1_1_2", "阿房宫赋");
    tree.Add("子91", "孙9_1_1", "古诗");

    EXPECT_EQ(rowTexts(*tree.model(), root()), (Texts{"", "安琪", "李娜", "李娜", "王芳", "张伟"}));
    const auto& model = tree.keyedModel();
    EXPECT_EQ(model.tree().node(model.nodeOf(model.index(2, 0, root()))).key, "父2");
    EXPECT_EQ(model.tree().node(model.nodeOf(model.index(3, 0, root()))).key, "父5");
    QModelIndex zhang = tree.model()->index(5, 0, root());
    EXPECT_EQ(rowTexts(*tree.model(), tree.model()->index(0, 0, zhang)),
              (Texts{"古诗", "阿房宫赋"}));
}

// Failed calls change nothing.
TEST_F(QtTreeTest, SelectShowsTheNodeAndGivesItsPathFailedCallsChangeNothing) {
    tree.resize(200, 120);
    Texts many;
    for (int i = 0; i < 40; ++i) {
        many.push_back("学生" + std::to_string(100 + i));
    }
    addClass(many);
    tree.show();
    EXPECT_TRUE(failsWith([&] { tree.selectedNodeTexts(); }, err::kObjectNotSet));
    EXPECT_TRUE(failsWith([&] { tree.select("父41"); }, err::kElementNotFound));
    EXPECT_TRUE(failsWith([&] { tree.Add("父1", "父1", "重复"); }, err::kKeyNotUnique));
    EXPECT_TRUE(failsWith([&] { tree.Add("父41", "子411", "语文"); }, err::kElementNotFound));
    EXPECT_EQ(tree.keyedModel().tree().size(), 1 + 40 * 3);
    tree.select("孙40_1_1");

    QModelIndex selected = tree.selectionModel()->selectedIndexes().value(0);
    ASSERT_TRUE(selected.isValid());
    EXPECT_TRUE(tree.isExpanded(selected.parent().parent()));
    EXPECT_TRUE(tree.viewport()->rect().contains(tree.visualRect(selected)));
    EXPECT_EQ(tree.selectedNodeTexts(), (Texts{"班级", "学生139", "语文", "古诗"}));

    // A class made while the window is open replaces the tree: the same keys again, in order.
    QAbstractItemModelTester tester(tree.model());
    tree.Clear();
    EXPECT_TRUE(failsWith([&] { tree.selectedNodeTexts(); }, err::kObjectNotSet));
    addClass({"王芳", "李娜"});
    EXPECT_EQ(rowTexts(*tree.model(), root()), (Texts{"李娜", "王芳"}));
}

}  // namespace
}  // namespace veltrana
