// movane-domaingen POLICY OUTDIR
//
// Writes the protection-domain files of the built-in rom tree from the readable policy
// (storage/rom/security-policy.txt describes its lines) into OUTDIR/midlet/permission/.
// Any line it cannot take, and a domain with more permissions than a suite's security
// file holds, stops it with "POLICY:LINE: why" and exit status 1; nothing is written then.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "storage/qmms_domainfile.h"
#include "storage/qmms_suitefiles.h"

namespace {

struct Group {
    std::string name;
    uint32_t nameText = 0, title = 0, message = 0, setting = 0;
};

struct DomainGroup {
    int group;  // index into Policy::groups
    uint32_t defaultState;
    uint32_t allowed;
};

struct Restriction {
    int first, second;  // indexes into Policy::groups
    uint32_t firstMode, secondMode;
    uint8_t verdict;
    uint32_t results[5];  // state of a choice, alert title, alert message, two choices
};

struct Domain {
    std::string name;
    int line;
    std::vector<DomainGroup> groups;
    std::vector<Restriction> restrictions;
};

struct Signer {
    int domain;
    std::string fields[QMMS_SIGNER_FIELDS];
};

struct Policy {
    std::map<uint32_t, std::string> texts;
    std::vector<Group> groups;
    std::vector<std::pair<std::string, int>> permissions;  // name, group
    std::vector<Domain> domains;
    std::vector<Signer> signers;
};

struct Failure {
    std::string why;
};

std::string PolicyName;
int LineNumber;

[[noreturn]] void refuse(const std::string& why) {
    throw Failure{PolicyName + ":" + std::to_string(LineNumber) + ": " + why};
}

// Words of a line: spaces separate them; "..." keeps spaces and may stand after "key=".
std::vector<std::string> wordsOf(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) i++;
        if (i >= line.size()) break;
        std::string w;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t' && line[i] != '\r'))) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else {
                w += line[i];
            }
            i++;
        }
        if (quoted) refuse("a text has no closing quote");
        words.push_back(w);
    }
    return words;
}

uint32_t number(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        refuse("\"" + text + "\" is not a number");
    return (uint32_t)std::stoul(text);
}

// "key=value" with the key expected.
std::string valueOf(const std::string& word, const char* key) {
    std::string prefix = std::string(key) + "=";
    if (word.compare(0, prefix.size(), prefix) != 0) refuse("expected " + prefix + "..., found \"" + word + "\"");
    return word.substr(prefix.size());
}

uint32_t modeOf(const std::string& name) {
    if (name == "blanket") return QMMS_MODE_BLANKET;
    if (name == "session") return QMMS_MODE_SESSION;
    if (name == "oneshot") return QMMS_MODE_ONESHOT;
    if (name == "no") return QMMS_MODE_NO;
    refuse("unknown mode \"" + name + "\"");
}

int groupOf(const Policy& p, const std::string& name) {
    for (size_t g = 0; g < p.groups.size(); g++) {
        if (p.groups[g].name == name) return (int)g;
    }
    refuse("unknown group \"" + name + "\"");
}

int domainOf(const Policy& p, const std::string& name) {
    for (size_t d = 0; d < p.domains.size(); d++) {
        if (p.domains[d].name == name) return (int)d;
    }
    refuse("unknown domain \"" + name + "\"");
}

void knownText(const Policy& p, uint32_t id) {
    if (p.texts.count(id) == 0) refuse("text " + std::to_string(id) + " is not defined");
}

void readLine(Policy& p, const std::vector<std::string>& w) {
    const std::string& kind = w[0];
    if (kind == "text") {
        if (w.size() != 3) refuse("text takes an id and a quoted text");
        uint32_t id = number(w[1]);
        if (p.texts.count(id) != 0) refuse("text " + w[1] + " is defined twice");
        p.texts[id] = w[2];
    } else if (kind == "group") {
        if (w.size() != 6) refuse("group takes a name and name=, title=, message=, setting=");
        for (const Group& g : p.groups) {
            if (g.name == w[1]) refuse("group \"" + w[1] + "\" is defined twice");
        }
        Group g;
        g.name = w[1];
        g.nameText = number(valueOf(w[2], "name"));
        g.title = number(valueOf(w[3], "title"));
        g.message = number(valueOf(w[4], "message"));
        g.setting = number(valueOf(w[5], "setting"));
        for (uint32_t id : {g.nameText, g.title, g.message, g.setting}) knownText(p, id);
        p.groups.push_back(g);
    } else if (kind == "permission") {
        if (w.size() != 3) refuse("permission takes a name and a group");
        for (const auto& q : p.permissions) {
            if (q.first == w[1]) refuse("permission \"" + w[1] + "\" is defined twice");
        }
        p.permissions.push_back({w[1], groupOf(p, w[2])});
    } else if (kind == "domain") {
        if (w.size() != 2) refuse("domain takes a name");
        if (w[1].size() >= QMMS_DOMAIN_NAME_SIZE - 5) refuse("the domain's name is too long");
        for (const Domain& d : p.domains) {
            if (d.name == w[1]) refuse("domain \"" + w[1] + "\" is defined twice");
        }
        p.domains.push_back(Domain{w[1], LineNumber, {}, {}});
    } else if (kind == "restrict") {
        if (p.domains.empty()) refuse("restrict stands outside a domain");
        if (w.size() < 6) refuse("restrict takes two groups with their modes and a verdict");
        Domain& d = p.domains.back();
        Restriction r = {};
        r.first = groupOf(p, w[1]);
        r.firstMode = modeOf(w[2]);
        r.second = groupOf(p, w[3]);
        r.secondMode = modeOf(w[4]);
        if (w[5] == "refuse") {
            if (w.size() != 8) refuse("a refusal takes title= and message=");
            r.verdict = QMMS_VERDICT_REFUSE;
            r.results[1] = number(valueOf(w[6], "title"));
            r.results[2] = number(valueOf(w[7], "message"));
        } else if (w[5] == "choose") {
            if (w.size() != 10) refuse("a choice takes state=, title=, message= and choices=");
            r.verdict = QMMS_VERDICT_CHOOSE;
            r.results[0] = modeOf(valueOf(w[6], "state"));
            r.results[1] = number(valueOf(w[7], "title"));
            r.results[2] = number(valueOf(w[8], "message"));
            std::string choices = valueOf(w[9], "choices");
            size_t comma = choices.find(',');
            if (comma == std::string::npos) refuse("choices= takes two text ids");
            r.results[3] = number(choices.substr(0, comma));
            r.results[4] = number(choices.substr(comma + 1));
            knownText(p, r.results[3]);
            knownText(p, r.results[4]);
        } else {
            refuse("the verdict is \"refuse\" or \"choose\", not \"" + w[5] + "\"");
        }
        knownText(p, r.results[1]);
        knownText(p, r.results[2]);
        bool firstIn = false, secondIn = false;
        for (const DomainGroup& g : d.groups) {
            firstIn |= g.group == r.first;
            secondIn |= g.group == r.second;
        }
        if (!firstIn || !secondIn) refuse("a restriction names a group that is not in domain " + d.name);
        d.restrictions.push_back(r);
    } else if (kind == "signer") {
        if (w.size() != 2 + QMMS_SIGNER_FIELDS) refuse("signer takes a domain and CN=, OU=, O=, L=, ST=, C=");
        Signer s;
        s.domain = domainOf(p, w[1]);
        static const char* const Keys[QMMS_SIGNER_FIELDS] = {"CN", "OU", "O", "L", "ST", "C"};
        for (int f = 0; f < QMMS_SIGNER_FIELDS; f++) {
            s.fields[f] = valueOf(w[2 + f], Keys[f]);
            if (s.fields[f].size() > QMMS_SIGNER_FIELD) refuse("a signer field is longer than 64 bytes");
        }
        p.signers.push_back(s);
    } else {
        // a group's line inside a domain
        if (p.domains.empty()) refuse("unknown line \"" + kind + "\"");
        Domain& d = p.domains.back();
        DomainGroup g = {groupOf(p, kind), 0, 0};
        for (const DomainGroup& o : d.groups) {
            if (o.group == g.group) refuse("group \"" + kind + "\" stands twice in domain " + d.name);
        }
        if (w.size() < 2) refuse("a group of a domain takes default=");
        std::string def = valueOf(w[1], "default");
        if (def == "allowed") {
            if (w.size() != 2) refuse("a group that is allowed takes no allowed=");
            g.defaultState = QMMS_STATE_ALLOWED | QMMS_MODE_BLANKET;
        } else {
            if (w.size() != 3) refuse("a group of a domain takes default= and allowed=");
            g.defaultState = modeOf(def);
            std::string allowed = valueOf(w[2], "allowed");
            size_t at = 0;
            while (at <= allowed.size()) {
                size_t comma = allowed.find(',', at);
                if (comma == std::string::npos) comma = allowed.size();
                g.allowed |= modeOf(allowed.substr(at, comma - at));
                at = comma + 1;
            }
            if ((g.allowed & g.defaultState) == 0) refuse("the default mode of " + kind + " is not among its allowed");
        }
        d.groups.push_back(g);
    }
}

Policy readPolicy(FILE* f) {
    Policy p;
    char buffer[1024];
    LineNumber = 0;
    while (fgets(buffer, sizeof buffer, f) != nullptr) {
        LineNumber++;
        if (strchr(buffer, '\n') == nullptr && !feof(f)) refuse("the line is longer than 1023 bytes");
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        readLine(p, wordsOf(line));
    }
    if (p.domains.empty()) refuse("the policy has no domain");
    if (p.domains.size() > QMMS_COUNT_LIMIT) refuse("more than 127 domains");
    return p;
}

void put8(std::vector<uint8_t>& out, uint32_t v) { out.push_back((uint8_t)v); }
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back((uint8_t)(v >> (8 * i)));
}

struct Output {
    std::string name;
    std::vector<uint8_t> bytes;
};

// The permission names follow the numbered texts.
std::vector<Output> build(const Policy& p) {
    std::vector<Output> files;
    uint32_t firstName = p.texts.empty() ? 0 : p.texts.rbegin()->first + 1;
    {
        std::vector<std::string> texts(firstName + p.permissions.size());
        for (const auto& t : p.texts) texts[t.first] = t.second;
        for (size_t i = 0; i < p.permissions.size(); i++) texts[firstName + i] = p.permissions[i].first;
        std::vector<uint8_t> out, body;
        put32(out, (uint32_t)texts.size());
        for (const std::string& t : texts) {
            put32(out, (uint32_t)(texts.size() * 4 + body.size()));
            put32(body, (uint32_t)t.size());
            body.insert(body.end(), t.begin(), t.end());
        }
        out.insert(out.end(), body.begin(), body.end());
        files.push_back({QMMS_PERMISSION_TEXTS, out});
    }
    std::vector<uint8_t> list;
    put8(list, (uint32_t)p.domains.size());
    for (const Domain& d : p.domains) {
        LineNumber = d.line;
        std::vector<uint8_t> name(QMMS_DOMAIN_NAME_SIZE, 0);
        memcpy(name.data(), d.name.data(), d.name.size());
        list.insert(list.end(), name.begin(), name.end());
        // the domain's own group numbers, in its order
        std::map<int, int> local;
        for (size_t g = 0; g < d.groups.size(); g++) local[d.groups[g].group] = (int)g;
        std::vector<uint8_t> perms, groups, modes, restrictions;
        int permissionCount = 0, modeCount = 0;
        for (size_t i = 0; i < p.permissions.size(); i++) {
            auto in = local.find(p.permissions[i].second);
            if (in == local.end()) continue;
            put32(perms, firstName + (uint32_t)i);
            put8(perms, (uint32_t)in->second);
            permissionCount++;
        }
        if (permissionCount > QMMS_MAX_PERMISSIONS)
            refuse("domain " + d.name + " has " + std::to_string(permissionCount) +
                   " permissions; a suite's security file holds at most " + std::to_string(QMMS_MAX_PERMISSIONS));
        if (d.groups.size() > QMMS_COUNT_LIMIT || d.restrictions.size() > QMMS_COUNT_LIMIT)
            refuse("domain " + d.name + " has more than 127 groups or restrictions");
        for (size_t g = 0; g < d.groups.size(); g++) {
            const DomainGroup& dg = d.groups[g];
            const Group& group = p.groups[(size_t)dg.group];
            for (uint32_t w : {group.nameText, dg.defaultState, dg.allowed, group.title, group.message, group.setting})
                put32(groups, w);
            // each mode the user may choose gives the group that mode
            for (uint32_t mode = 1; mode <= QMMS_MODE_NO; mode <<= 1) {
                if ((dg.allowed & mode) == 0) continue;
                put8(modes, (uint32_t)g);
                put32(modes, mode);
                put8(modes, (uint32_t)g);
                put32(modes, mode);
                modeCount++;
            }
        }
        if (modeCount > QMMS_COUNT_LIMIT) refuse("domain " + d.name + " has more than 127 mode records");
        for (const Restriction& r : d.restrictions) {
            put8(restrictions, (uint32_t)local[r.first]);
            put32(restrictions, r.firstMode);
            put8(restrictions, (uint32_t)local[r.second]);
            put32(restrictions, r.secondMode);
            put8(restrictions, r.verdict);
            for (uint32_t w : r.results) put32(restrictions, w);
        }
        std::vector<uint8_t> adi;
        put8(adi, (uint32_t)permissionCount);
        put8(adi, (uint32_t)d.groups.size());
        put8(adi, (uint32_t)modeCount);
        put8(adi, (uint32_t)d.restrictions.size());
        for (const auto* part : {&perms, &groups, &modes, &restrictions})
            adi.insert(adi.end(), part->begin(), part->end());
        files.push_back({d.name + QMMS_DOMAIN_SUFFIX, adi});
    }
    files.push_back({QMMS_DOMAIN_LIST, list});
    if (p.signers.size() > QMMS_COUNT_LIMIT) refuse("more than 127 signers");
    std::vector<uint8_t> dn(QMMS_SIGNER_HEADER - 1, 0);
    put8(dn, (uint32_t)p.signers.size());
    for (const Signer& s : p.signers) {
        put8(dn, (uint32_t)s.domain);
        for (const std::string& f : s.fields) {
            std::vector<uint8_t> field(QMMS_SIGNER_FIELD, 0);
            memcpy(field.data(), f.data(), f.size());
            dn.insert(dn.end(), field.begin(), field.end());
        }
    }
    files.push_back({QMMS_SIGNER_TABLE, dn});
    return files;
}

bool makeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST; }

// Leaves a file with the same bytes alone, so that the rom tree is not rebuilt.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (FILE* old = fopen(path.c_str(), "rb")) {
        std::vector<uint8_t> have(bytes.size() + 1);
        size_t n = fread(have.data(), 1, have.size(), old);
        fclose(old);
        if (n == bytes.size() && memcmp(have.data(), bytes.data(), n) == 0) return true;
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: movane-domaingen POLICY OUTDIR\n");
        return 2;
    }
    PolicyName = argv[1];
    FILE* f = fopen(argv[1], "r");
    if (f == nullptr) {
        fprintf(stderr, "movane-domaingen: cannot read %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    std::vector<Output> files;
    try {
        Policy p = readPolicy(f);
        files = build(p);
    } catch (const Failure& failure) {
        fclose(f);
        fprintf(stderr, "movane-domaingen: %s\n", failure.why.c_str());
        return 1;
    }
    fclose(f);
    std::string out = argv[2];
    std::string folder = out + "/midlet/permission";
    if (!makeFolder(out) || !makeFolder(out + "/midlet") || !makeFolder(folder) || !makeFolder(folder + "/resource")) {
        fprintf(stderr, "movane-domaingen: cannot make %s: %s\n", folder.c_str(), strerror(errno));
        return 1;
    }
    for (const Output& o : files) {
        if (!writeFile(folder + "/" + o.name, o.bytes)) {
            fprintf(stderr, "movane-domaingen: cannot write %s/%s\n", folder.c_str(), o.name.c_str());
            return 1;
        }
    }
    return 0;
}
