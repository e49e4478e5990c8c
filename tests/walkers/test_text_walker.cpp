// Text formats (vCard, iCalendar, HTML, XML in UTF-8 and UTF-16, e-mail)
// written by python3: each ends after its last record once the text stops,
// and random bytes behind the header magic are refused. Needs python3.

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

TEST(TextWalker, EndsAfterTheLastRecord)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const std::pair<const char*, const char*> files[] = {
        {"VCF", "cards.vcf"}, {"ICS", "event.ics"}, {"HTML", "page.html"},
        {"XML", "utf8.xml"},  {"XML", "utf16.xml"}, {"EML", "mail.eml"},
    };
    for (const auto& [type, name] : files)
        expectExactEnd(type, readFile(dir + "/" + name), name);
}

TEST(TextWalker, RefusesRandomDataBehindTheMagic)
{
    const std::pair<const char*, std::string> heads[] = {
        {"VCF", "BEGIN:VCARD"},       {"ICS", "BEGIN:VCALENDAR"},
        {"HTML", "<!DOCTYPE html"},   {"XML", "<?xml version="},
        {"XML", std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12)}, {"EML", "Received: "},
    };
    for (const auto& [type, head] : heads) {
        int refused = 0;
        for (uint32_t seed = 1; seed <= 100; ++seed)
            refused += walk(type, concat(Bytes(head.begin(), head.end()), randomBytes(4096, seed))).state ==
                       State::NotFormat;
        EXPECT_GE(refused, 97) << type << " " << head.substr(0, 4);
    }
}

} // namespace
