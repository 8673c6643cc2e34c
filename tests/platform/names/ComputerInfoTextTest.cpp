#include "names/CComputerInfoText.h"

#include "platform/names/FakeComputerNames.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Reply = CFakeComputerNames::Reply;

constexpr int kDnsDomain = 2;
constexpr int kPhysicalDnsDomain = 6;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(ComputerInfoTextTest, ThirteenLinesInOrderWhenEveryQueryAnswers) {
    CFakeComputerNames names;
    EXPECT_EQ(CComputerInfoText::Gather(names), "Computer Name: NAME-1\r\n"
                                                "ComputerNameNetBIOS: NAME0\r\n"
                                                "ComputerNameDnsHostname: NAME1\r\n"
                                                "ComputerNameDnsDomain: NAME2\r\n"
                                                "ComputerNameDnsFullyQualified: NAME3\r\n"
                                                "ComputerNamePhysicalNetBIOS: NAME4\r\n"
                                                "ComputerNamePhysicalDnsHostname: NAME5\r\n"
                                                "ComputerNamePhysicalDnsDomain: NAME6\r\n"
                                                "ComputerNamePhysicalDnsFullyQualified: NAME7\r\n"
                                                "NetWkstaGetInfo [Platform ID]: 500\r\n"
                                                "NetWkstaGetInfo [Computer Name]: HOST\r\n"
                                                "NetWkstaGetInfo [Lan Group]: WORKGROUP\r\n"
                                                "NetWkstaGetInfo [Lan Root]: /srv\r\n");
    // Every query is offered the same room.
    EXPECT_EQ(names.m_sizesGiven, std::vector<std::uint32_t>(9, CComputerInfoText::kNameRoom));
}

TEST(ComputerInfoTextTest, TenLinesEndingInTheFailureWhenTheWorkstationQueryFails) {
    CFakeComputerNames names;
    names.m_workstationStatus = 2138;
    const std::vector<std::string> lines = Lines(CComputerInfoText::Gather(names));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[8], "ComputerNamePhysicalDnsFullyQualified: NAME7");
    EXPECT_EQ(lines[9], "NetWkstaGetInfo failed!");
}

TEST(ComputerInfoTextTest, OnlyTheSizeDecidesWhetherANameExists) {
    CFakeComputerNames names;
    names.m_replies[kDnsDomain] = Reply{true, "", 0u};         // no domain
    names.m_replies[kPhysicalDnsDomain] = Reply{true, "", 0u}; // no domain
    names.m_replies[3] = Reply{false, "", std::nullopt};       // failed, size untouched
    names.m_replies[5] = Reply{false, "", 64u};                // failed, size it would need
    names.m_replies[CFakeComputerNames::kPlainQuery] = Reply{false, "", 0u}; // failed, size 0
    names.m_replies[7] = Reply{true, "ignored", 0u};                         // text, but size 0
    const std::vector<std::string> lines = Lines(CComputerInfoText::Gather(names));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "Computer Name: <does not exist>");
    EXPECT_EQ(lines[3], "ComputerNameDnsDomain: <does not exist>");
    EXPECT_EQ(lines[4], "ComputerNameDnsFullyQualified: ");
    EXPECT_EQ(lines[6], "ComputerNamePhysicalDnsHostname: ");
    EXPECT_EQ(lines[7], "ComputerNamePhysicalDnsDomain: <does not exist>");
    EXPECT_EQ(lines[8], "ComputerNamePhysicalDnsFullyQualified: <does not exist>");
}

TEST(ComputerInfoTextTest, WorkstationFieldsConvertToUtf8AndMissingOnesReadNull) {
    CFakeComputerNames names;
    names.m_workstation.platformId = 0xFFFFFFFFu; // shown as a signed number
    names.m_workstation.computerName = u"H\u00D6ST";
    names.m_workstation.lanGroup.reset();
    names.m_workstation.lanRoot.reset();
    const std::vector<std::string> lines = Lines(CComputerInfoText::Gather(names));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[9], "NetWkstaGetInfo [Platform ID]: -1");
    EXPECT_EQ(lines[10], "NetWkstaGetInfo [Computer Name]: H\xC3\x96ST");
    EXPECT_EQ(lines[11], "NetWkstaGetInfo [Lan Group]: (null)");
    EXPECT_EQ(lines[12], "NetWkstaGetInfo [Lan Root]: (null)");
}

TEST(ComputerInfoTextTest, LongNamesAreShownWhole) {
    CFakeComputerNames names;
    const std::string longName(3000, 'n');
    names.m_replies[3] = Reply{true, longName, 3000u};
    EXPECT_EQ(Lines(CComputerInfoText::Gather(names))[4],
              "ComputerNameDnsFullyQualified: " + longName);
}

} // namespace
