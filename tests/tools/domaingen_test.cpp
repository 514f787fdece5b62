// The domain generator: policies it must refuse, each with the reason it names, and a
// small one it turns into files the suite store's layout describes.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "storage/qmms_domainfile.h"

namespace {

struct GenRun {
    int status;
    std::string output;
};

// Runs the generator on the policy text; pclose waits for it.
GenRun generate(const std::string& policy, const std::string& out) {
    std::string dir = TEST_TMP;
    mkdir(dir.c_str(), 0755);
    // one file per output folder: the cases of this file may run at once
    std::string file = out + ".policy.txt";
    std::ofstream(file) << policy;
    std::string command = std::string(DOMAINGEN) + " " + file + " " + out + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    GenRun r = {-1, ""};
    if (p == nullptr) return r;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, p) != nullptr) r.output += buffer;
    r.status = pclose(p);
    return r;
}

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::string Base = "text 0 \"T\"\ngroup g name=0 title=0 message=0 setting=0\n";

std::string permissions(int n) {
    std::string s;
    for (int i = 0; i < n; i++) s += "permission p" + std::to_string(i) + " g\n";
    return s;
}

TEST(DomainGen, RefusesPoliciesItCannotTake) {
    struct Case {
        const char* name;
        std::string policy;
        const char* why;
    } cases[] = {
        {"31 permissions in a domain", Base + permissions(31) + "domain d\n  g default=oneshot allowed=oneshot,no\n",
         "policy.txt:34: domain d has 31 permissions; a suite's security file holds at most 30"},
        {"no domain", Base + permissions(1), "the policy has no domain"},
        {"an unknown mode", Base + permissions(1) + "domain d\n  g default=sometimes allowed=no\n",
         "policy.txt:5: unknown mode \"sometimes\""},
        {"a default the group does not allow", Base + permissions(1) + "domain d\n  g default=blanket allowed=no\n",
         "policy.txt:5: the default mode of g is not among its allowed"},
        {"an unknown group", Base + "permission p h\n", "policy.txt:3: unknown group \"h\""},
        {"an undefined text", "group g name=3 title=0 message=0 setting=0\n", "policy.txt:1: text 3 is not defined"},
        {"an open quote", "text 0 \"T\n", "policy.txt:1: a text has no closing quote"},
        {"a restriction outside the domain's groups",
         Base + "group h name=0 title=0 message=0 setting=0\n" + permissions(1) +
             "domain d\n  g default=oneshot allowed=oneshot\n  restrict g oneshot h oneshot refuse title=0 message=0\n",
         "policy.txt:7: a restriction names a group that is not in domain d"},
        {"a permission twice", Base + "permission p g\npermission p g\n",
         "policy.txt:4: permission \"p\" is defined twice"},
    };
    for (const Case& c : cases) {
        GenRun r = generate(c.policy, std::string(TEST_TMP) + "/refused");
        EXPECT_NE(r.status, 0) << c.name;
        EXPECT_NE(r.output.find(c.why), std::string::npos) << c.name << ": " << r.output;
    }
}

TEST(DomainGen, WritesTheFilesOfASmallPolicy) {
    std::string out = std::string(TEST_TMP) + "/small";
    GenRun r = generate(Base + permissions(30) + "domain d\n  g default=session allowed=session,no\n" +
                            "signer d CN=\"A B\" OU=\"\" O=Movane L=\"\" ST=\"\" C=JP\n",
                        out);
    ASSERT_EQ(r.status, 0) << r.output;
    std::string folder = out + "/midlet/permission/";
    std::vector<uint8_t> list = bytesOf(folder + "domains.idx");
    ASSERT_EQ(list.size(), 1u + QMMS_DOMAIN_NAME_SIZE);
    EXPECT_EQ(list[0], 1);
    EXPECT_EQ(std::string((const char*)&list[1]), "d");
    std::vector<uint8_t> adi = bytesOf(folder + "d.adi");
    ASSERT_EQ(adi.size(),
              (size_t)(QMMS_DOMAIN_HEADER + 30 * QMMS_PERMISSION_RECORD + QMMS_GROUP_RECORD + 2 * QMMS_MODE_RECORD));
    EXPECT_EQ(adi[0], 30);
    EXPECT_EQ(adi[1], 1);
    EXPECT_EQ(adi[2], 2) << "one mode record per allowed mode";
    EXPECT_EQ(adi[3], 0);
    EXPECT_EQ(adi[4], 1) << "the first permission's name follows the one numbered text";
    std::vector<uint8_t> dn = bytesOf(folder + "_dn.idx");
    ASSERT_EQ(dn.size(), (size_t)(QMMS_SIGNER_HEADER + QMMS_SIGNER_RECORD));
    EXPECT_EQ(dn[10], 1);
    EXPECT_EQ(std::string((const char*)&dn[12]), "A B");
    EXPECT_EQ(bytesOf(folder + "resource/en_US.dat").size(), (size_t)(4 + 31 * 4 + 31 * 4 + 1 + 10 * 2 + 20 * 3));
}

}  // namespace
