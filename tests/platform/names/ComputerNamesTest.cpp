#include "names/CLinuxComputerNames.h"
#include "names/CSystemNameSources.h"
#include "names/SambaConfig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace names {
namespace {

// Sources that answer what the test says and count the name resolutions asked for.
class CFakeSources : public INameSources {
public:
    std::optional<std::string> m_host = "build-box";
    std::optional<std::string> m_canonical;
    std::optional<std::string> m_samba;
    int m_resolutions = 0;

    std::optional<std::string> HostName() override { return m_host; }
    std::optional<std::string> CanonicalName(std::string_view) override {
        ++m_resolutions;
        return m_canonical;
    }
    std::optional<std::string> SambaConfiguration() override { return m_samba; }
};

struct Answer {
    bool ok;
    std::string name;
    std::uint32_t size;
};

Answer Ask(IComputerNames& names, ComputerNameFormat format) {
    Answer answer{false, "junk", 1024};
    answer.ok = names.GetComputerNameEx(format, answer.name, answer.size);
    return answer;
}

TEST(NetBiosNameTest, FirstLabelUpperCaseCutToFifteenBytesOnACharacterBoundary) {
    EXPECT_EQ(CLinuxComputerNames::NetBiosName("build-box.example.com"), "BUILD-BOX");
    EXPECT_EQ(CLinuxComputerNames::NetBiosName("averyveryverylongname"), "AVERYVERYVERYLO");
    // "\xC3\xA9" is two bytes at 14 and 15: it would be split, so it goes whole.
    EXPECT_EQ(CLinuxComputerNames::NetBiosName("abcdefghijklmn\xC3\xA9z"), "ABCDEFGHIJKLMN");
    EXPECT_EQ(CLinuxComputerNames::NetBiosName(""), "");
}

TEST(LinuxComputerNamesTest, DomainAndFullNameComeFromTheCanonicalName) {
    CFakeSources sources;
    sources.m_canonical = "build-box.corp.example";
    CLinuxComputerNames names(sources);
    uint32_t size = 1024;
    std::string name;
    ASSERT_TRUE(names.GetComputerName(name, size));
    EXPECT_EQ(name, "BUILD-BOX");
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(Ask(names, ComputerNameFormat::NetBios).name, "BUILD-BOX");
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsHostname).name, "build-box");
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsDomain).name, "corp.example");
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsFullyQualified).name, "build-box.corp.example");
    EXPECT_EQ(Ask(names, ComputerNameFormat::PhysicalDnsDomain).name, "corp.example");
    EXPECT_EQ(Ask(names, ComputerNameFormat::PhysicalDnsFullyQualified).name,
              "build-box.corp.example");
    // One gathering resolves the name once.
    EXPECT_EQ(sources.m_resolutions, 1);
}

TEST(LinuxComputerNamesTest, AHostNameWithADotNeedsNoResolution) {
    CFakeSources sources;
    sources.m_host = "Box.Lab.Example";
    CLinuxComputerNames names(sources);
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsHostname).name, "Box");
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsDomain).name, "Lab.Example");
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsFullyQualified).name, "Box.Lab.Example");
    EXPECT_EQ(sources.m_resolutions, 0);
}

TEST(LinuxComputerNamesTest, NoDomainIsAnEmptyNameOfSizeZero) {
    CFakeSources sources;
    sources.m_canonical = "localhost"; // a canonical name without a dot
    CLinuxComputerNames names(sources);
    const Answer domain = Ask(names, ComputerNameFormat::DnsDomain);
    EXPECT_TRUE(domain.ok);
    EXPECT_EQ(domain.name, "");
    EXPECT_EQ(domain.size, 0u);
    EXPECT_EQ(Ask(names, ComputerNameFormat::DnsFullyQualified).name, "build-box");
}

TEST(LinuxComputerNamesTest, MissingSourcesFailWithoutInventingOrTouchingTheSize) {
    CFakeSources sources; // resolution fails
    CLinuxComputerNames names(sources);
    for (auto format : {ComputerNameFormat::DnsDomain, ComputerNameFormat::DnsFullyQualified}) {
        const Answer answer = Ask(names, format);
        EXPECT_FALSE(answer.ok);
        EXPECT_EQ(answer.name, "");
        EXPECT_EQ(answer.size, 1024u);
    }
    EXPECT_TRUE(Ask(names, ComputerNameFormat::DnsHostname).ok);

    CFakeSources hostless;
    hostless.m_host.reset();
    CLinuxComputerNames nothing(hostless);
    for (int format = 0; format <= 7; ++format) {
        EXPECT_FALSE(Ask(nothing, static_cast<ComputerNameFormat>(format)).ok) << format;
    }
    EXPECT_EQ(hostless.m_resolutions, 0);
}

TEST(LinuxComputerNamesTest, TheWorkstationRecordNeedsAConfiguredWorkgroup) {
    CFakeSources sources;
    CLinuxComputerNames names(sources);
    WkstaInfo102 info;
    EXPECT_EQ(names.NetWkstaGetInfo102(info), kNerrWkstaNotStarted);
    sources.m_samba = "[global]\n   server string = files\n";
    EXPECT_EQ(names.NetWkstaGetInfo102(info), kNerrWkstaNotStarted);

    sources.m_samba = "[global]\n   workgroup = OFFICE\n";
    ASSERT_EQ(names.NetWkstaGetInfo102(info), kNerrSuccess);
    EXPECT_EQ(info.platformId, kPlatformIdNt);
    EXPECT_EQ(info.computerName, u"BUILD-BOX");
    EXPECT_EQ(info.lanGroup, u"OFFICE");
    EXPECT_FALSE(info.lanRoot.has_value());

    sources.m_samba = "[global]\nworkgroup = OFFICE\nnetbios name = fileserver\n";
    ASSERT_EQ(names.NetWkstaGetInfo102(info), kNerrSuccess);
    EXPECT_EQ(info.computerName, u"FILESERVER");
}

TEST(SambaConfigTest, OnlyGlobalParametersCountWhateverTheirSpellingOfNames) {
    const SambaIdentity identity = ParseSambaIdentity("; a comment\n"
                                                      "# workgroup = COMMENTED\n"
                                                      "[homes]\n"
                                                      "  workgroup = WRONG\n"
                                                      "[ Global ]\r\n"
                                                      "  Work Group = TEAM\r\n"
                                                      "  NetBIOSName = NAS\\\n"
                                                      "01\n"
                                                      "[printers]\n"
                                                      "  netbios name = ALSO-WRONG\n");
    EXPECT_EQ(identity.workgroup, "TEAM");
    EXPECT_EQ(identity.netbiosName, "NAS01");
}

TEST(SambaConfigTest, ParametersBeforeAnySectionAreGlobalAndEmptyValuesDoNotCount) {
    EXPECT_EQ(ParseSambaIdentity("workgroup = EARLY\n").workgroup, "EARLY");
    EXPECT_FALSE(ParseSambaIdentity("[global]\nworkgroup =\n").workgroup.has_value());
    EXPECT_FALSE(ParseSambaIdentity("[global]\nworkgroup TEAM\n").workgroup.has_value());
    std::string huge = "[global]\nworkgroup = BIG\n";
    huge.append(kMaxSambaConfiguration, '#');
    EXPECT_FALSE(ParseSambaIdentity(huge).workgroup.has_value());
}

TEST(SystemNameSourcesTest, TheSambaFileIsReadWhenPresentAndMissingOtherwise) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("keldwick-names-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "smb.conf";
    std::ofstream(file) << "[global]\nworkgroup = HOME\n";
    CSystemNameSources present(file);
    EXPECT_EQ(present.SambaConfiguration(), "[global]\nworkgroup = HOME\n");
    CSystemNameSources absent(folder / "missing.conf");
    EXPECT_FALSE(absent.SambaConfiguration().has_value());
    std::filesystem::remove_all(folder);

    const auto host = present.HostName();
    ASSERT_TRUE(host.has_value());
    EXPECT_FALSE(host->empty());
}

} // namespace
} // namespace names
