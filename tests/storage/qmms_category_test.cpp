#include "storage/qmms_category.h"

#include "store_fixture.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> categoryImage(const std::vector<std::pair<int, std::string>>& used) {
    std::vector<uint8_t> b(QMMS_CATEGORY_FILE_SIZE, 0);
    memcpy(b.data(), "QMMSCATSIG", 11);
    for (const auto& u : used) {
        size_t at = 256 + (size_t)u.first * 256;
        b[at] = 1;
        for (size_t i = 0; i < u.second.size() && at + 1 + i < b.size(); i++) b[at + 1 + i] = (uint8_t)u.second[i];
    }
    return b;
}

class QmmsCategoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(qmfs_initialize(), 0); }
    void TearDown() override { qmfs_finalize(); }
    DeviceTree tree_;
};

TEST_F(QmmsCategoryTest, DefaultsWhenTheFileIsMissing) {
    ASSERT_EQ(qmms_createCategoryFile(), 0);
    EXPECT_FALSE(tree_.exists(tree_.javaFile("category.dat"))) << "defaults stay in memory until saved";
    ASSERT_EQ(qmms_countCategories(), 2);
    QmmsCategoryInfo list[QMMS_CATEGORY_SLOTS];
    ASSERT_EQ(qmms_listCategories(list), 2);
    EXPECT_EQ(list[0].index, 0u);
    EXPECT_STREQ(list[0].name, "unfiled");
    EXPECT_EQ(list[0].fixed, 1u);
    EXPECT_EQ(list[1].index, 1u);
    EXPECT_STREQ(list[1].name, "preinstalled");
    EXPECT_EQ(list[1].fixed, 1u);
    ASSERT_EQ(qmms_saveCategoryFile(), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("category.dat")), categoryImage({{0, "unfiled"}, {1, "preinstalled"}}));
}

TEST_F(QmmsCategoryTest, FilesOfEveryShape) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> used;
        std::vector<uint32_t> fixed;
        std::vector<std::string> names;
    } cases[] = {
        {"slot 2 is fixed, slot 3 is not", {{0, "a"}, {2, "games"}, {3, "tools"}}, {1, 1, 0}, {"a", "games", "tools"}},
        {"slot 12 keeps two name bytes", {{5, "five"}, {12, "twelve"}}, {0, 0}, {"five", "tw"}},
        {"none used", {}, {}, {}},
    };
    for (const Case& c : cases) {
        tree_.write(tree_.javaFile("category.dat"), categoryImage(c.used));
        ASSERT_EQ(qmms_createCategoryFile(), 0) << c.name;
        QmmsCategoryInfo list[QMMS_CATEGORY_SLOTS];
        int n = qmms_listCategories(list);
        EXPECT_EQ(n, qmms_countCategories()) << c.name;
        ASSERT_EQ(n, (int)c.names.size()) << c.name;
        for (int i = 0; i < n; i++) {
            EXPECT_EQ(list[i].index, (uint32_t)c.used[(size_t)i].first) << c.name;
            EXPECT_EQ(list[i].name, c.names[(size_t)i]) << c.name;
            EXPECT_EQ(list[i].fixed, c.fixed[(size_t)i]) << c.name;
        }
    }
}

TEST_F(QmmsCategoryTest, ShortFileIsRefusedAndKept) {
    std::vector<uint8_t> shortFile = categoryImage({{0, "mine"}, {4, "kept"}});
    shortFile.pop_back();
    tree_.write(tree_.javaFile("category.dat"), shortFile);
    qmms_setStatus(0);
    EXPECT_EQ(qmms_createCategoryFile(), -1);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR);
    EXPECT_EQ(qmms_countCategories(), 2) << "defaults serve meanwhile";
    EXPECT_FALSE(qmms_categoryImageWritable());
}

class QmmsCategoryStoreTest : public StoreTest {};

TEST_F(QmmsCategoryStoreTest, StopWritesTheWholeFileWithItsSignature) {
    EXPECT_EQ(qmms_getCategoryCount(), 2);
    QmmsCategoryInfo list[QMMS_CATEGORY_SLOTS];
    EXPECT_EQ(qmms_getCategoryList(list), 0);
    ASSERT_EQ(qmms_fini(), 0);
    std::vector<uint8_t> b = tree_.read(tree_.javaFile("category.dat"));
    ASSERT_EQ(b.size(), 3331u);
    EXPECT_STREQ((const char*)b.data(), "QMMSCATSIG");
    EXPECT_EQ(b, categoryImage({{0, "unfiled"}, {1, "preinstalled"}}));
}

TEST_F(QmmsCategoryStoreTest, StopLeavesARefusedFileAsItWas) {
    qmms_fini();
    std::vector<uint8_t> shortFile = categoryImage({{0, "mine"}});
    shortFile.resize(3330);
    tree_.write(tree_.javaFile("category.dat"), shortFile);
    ASSERT_EQ(qmms_init(0), 0);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR) << "the start reports it and goes on";
    EXPECT_TRUE(qmms_isStarted());
    ASSERT_EQ(qmms_fini(), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("category.dat")), shortFile);
}

}  // namespace
