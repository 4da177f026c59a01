// The engine bridge against scanning libraries with scripted behaviour, loaded by file name.
#include "engine/cml_line_scanner.h"

#include <gtest/gtest.h>

#include "app/log.h"
#include "tests/engine/scripted_library_client.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

TEST(LoadScannerLibrary, MissingLibraryIsLoggedWithItsPath) {
  test::TempFolder logs;
  SetLogFolder(logs.path());
  CmlLineScanner bridge;
  EXPECT_FALSE(bridge.LoadScannerLibrary(nullptr));
  bridge.settings.antiStealth = false;
  EXPECT_FALSE(bridge.LoadScannerLibrary((logs / L"none").c_str()));
  const std::string log = test::ReadFileBytes(logs / L"log.txt");
  SetLogFolder(L".");
  EXPECT_NE(log.find(" CmlLineScanner cannot load dll: "), std::string::npos) << log;
  const std::string expectedPath = "CmlLineScanner cannot load dll:" +
                                   std::string(logs.path().begin(), logs.path().end()) + "\\none\\qlxs_apiW ";
  EXPECT_NE(log.find(expectedPath), std::string::npos) << log;
  EXPECT_NE(log.find("\r\n"), std::string::npos);
  bridge.ShutdownEngine();
  bridge.ShutdownEngine();
}

TEST(LoadScannerLibrary, RequiredAndOptionalExports) {
  {
    ScriptedLibrary library(L"scripted_incomplete.dll");
    CmlLineScanner bridge;
    bridge.settings.antiStealth = true;
    EXPECT_FALSE(bridge.LoadScannerLibrary(library.folder().c_str()));
    EXPECT_TRUE(bridge.libraryLoaded()) << "stays loaded until shut down";
    EXPECT_EQ(library.Log(), "") << "a missing export writes no log line";
    bridge.ShutdownEngine();
    EXPECT_FALSE(bridge.libraryLoaded());
    bridge.ShutdownEngine();
  }
  {
    ScriptedLibrary library(L"scripted_noinfo.dll");
    CmlLineScanner bridge;
    bridge.settings.antiStealth = true;
    ASSERT_TRUE(bridge.LoadScannerLibrary(library.folder().c_str()));
    EXPECT_EQ(bridge.m_qlxs_scanner_info_list_count, nullptr);
    g_engineBuild = 5;
    EXPECT_TRUE(bridge.InitEngine(library.folder()));
    EXPECT_EQ(g_engineBuild.load(), 0u) << "without the information exports the build stays 0";
  }
}

TEST(InitEngine, FillsTheSetupCreatesTheScannerAndStartsTelemetry) {
  ScriptedLibrary library;
  library.Set("build", 23456);
  CmlLineScanner bridge;
  bridge.settings.antiStealth = true;
  bridge.settings.languageId = 1033;
  ASSERT_TRUE(bridge.InitEngine(library.folder()));
  EXPECT_EQ(g_engineBuild.load(), 23456u);
  EXPECT_TRUE(bridge.updateSucceeded);
  EXPECT_EQ(library.Calls(),
            "global_setup_create;set_language(1033);scanner_create;reload;info_count;info_item;"
            "ferry_setup_create;ferry_create;ferry_start;ferry_setup_set;");

  const qlxs_global_setup& setup = library.LastSetup();
  const std::wstring base = library.folder();
  EXPECT_EQ(setup.flags, 0u);
  EXPECT_EQ(std::wstring(setup.base_folder), base);
  EXPECT_EQ(std::wstring(setup.modules_folder), base + L"\\Modules\\");
  EXPECT_EQ(std::wstring(setup.quarantine_folder), base + L"\\Quarantine\\");
  EXPECT_EQ(std::wstring(setup.ferry_cache_folder), base + L"\\Ferry_Cache\\");
  EXPECT_TRUE(test::FolderExists(base + L"\\Ferry_Cache"));
  const std::wstring url = setup.update_url;
  EXPECT_EQ(url.substr(0, 7), L"http://");
  EXPECT_EQ(url.substr(url.size() - 21), L"/download/engineqws3/");

  bridge.ShutdownEngine();
  EXPECT_NE(library.Calls().find("ferry_setup_set;ferry_send;ferry_destroy;scanner_destroy;global_setup_destroy;"),
            std::string::npos)
      << library.Calls();
  EXPECT_EQ(library.Log(),
            "Call m_qlxs_ferry_setup_create\nCall m_qlxs_ferry_create\nm_qlxs_ferry_create OK\n"
            "Call m_qlxs_ferry_start_send_thread\nCall m_qlxs_ferry_setup_set\nm_qlxs_ferry_setup_set OK\n"
            "Call m_qlxs_ferry_send\nCall m_qlxs_ferry_destroy\n");
}

TEST(InitEngine, FailuresOnTheWay) {
  {
    ScriptedLibrary library;
    library.Set("reload_result.0", -1);
    CmlLineScanner bridge;
    bridge.settings.antiStealth = true;
    EXPECT_TRUE(bridge.InitEngine(library.folder())) << "the scanner exists without modules";
    EXPECT_FALSE(bridge.updateSucceeded);
    EXPECT_EQ(library.Calls().find("ferry"), std::string::npos) << "no telemetry without modules";
    bridge.ShutdownEngine();
    EXPECT_NE(library.Calls().find("ferry_send;ferry_destroy;scanner_destroy"), std::string::npos);
  }
  {
    ScriptedLibrary library;
    library.Set("scanner_create_fails", 1);
    CmlLineScanner bridge;
    bridge.settings.antiStealth = true;
    EXPECT_FALSE(bridge.InitEngine(library.folder()));
    EXPECT_EQ(library.Log(), "can not get scanner. e_gle=37126\r\n");
  }
  {
    ScriptedLibrary library;
    library.Set("ferry_create_result", -1);
    CmlLineScanner bridge;
    bridge.settings.antiStealth = true;
    EXPECT_TRUE(bridge.InitEngine(library.folder()));
    EXPECT_EQ(library.Calls().find("ferry_start"), std::string::npos);
    EXPECT_EQ(library.Log(), "Call m_qlxs_ferry_setup_create\nCall m_qlxs_ferry_create\n");
  }
}

class UpdateEngineTest : public testing::Test {
 protected:
  void Open() {
    bridge_.workFolder = library_.folder();
    ASSERT_EQ(bridge_.OpenUpdateBridge(), 0);
  }
  ScriptedLibrary library_;
  CmlLineScanner bridge_;
};

TEST_F(UpdateEngineTest, ProgressRunsToOneHundredAndTheBuildIsLogged) {
  library_.Set("progress_total.0", 1000);
  library_.Set("progress_chunks.0", 4);
  library_.Set("build", 24000);
  Open();
  bridge_.UpdateEngine();
  EXPECT_TRUE(bridge_.updateSucceeded);
  EXPECT_FALSE(bridge_.updateFailed);
  EXPECT_EQ(bridge_.progress.load(), 100);
  EXPECT_EQ(bridge_.percentageReached(), 100);
  EXPECT_EQ(g_engineBuild.load(), 24000u);
  EXPECT_NE(library_.Log().find("g_uiModuleBuild: 24000\n"), std::string::npos);
  EXPECT_NE(library_.Calls().find("set_update_callbacks;update;version;info_count;info_item;"),
            std::string::npos)
      << library_.Calls();
}

TEST_F(UpdateEngineTest, UpToDateCountsAsSuccessAndStillReloads) {
  library_.Set("update_result.0", -1);
  library_.Set("update_error.0", 0xD003);
  library_.Set("update_flags.0", 1);
  Open();
  bridge_.UpdateEngine();
  EXPECT_TRUE(bridge_.updateSucceeded);
  EXPECT_NE(library_.Log().find("qlxs_scanner_update returned -1 qlxs_gle=53251\r\n"), std::string::npos);
  EXPECT_NE(library_.Log().find("qlxs_scanner_reload returned 0\r\n"), std::string::npos);
}

TEST_F(UpdateEngineTest, AFailedReloadAfterTheDownloadFailsTheUpdate) {
  library_.Set("update_flags.0", 1);
  library_.Set("reload_result.1", -1);  // the first reload is the one of the open
  Open();
  bridge_.UpdateEngine();
  EXPECT_FALSE(bridge_.updateSucceeded);
  EXPECT_TRUE(bridge_.updateFailed);
  EXPECT_NE(library_.Log().find("qlxs_scanner_reload returned -1\r\n"), std::string::npos);
}

TEST_F(UpdateEngineTest, DamagedModulesAreRemovedAndTheUpdateRepeatedOnce) {
  CreateDirectoryW((library_.folder() + L"\\Modules").c_str(), nullptr);
  test::WriteFileBytes(library_.folder() + L"\\Modules\\main.ndb", "damaged");
  library_.Set("update_result.0", -1);
  library_.Set("update_error.0", 0x9105);
  Open();
  bridge_.UpdateEngine();
  EXPECT_FALSE(test::FolderExists(library_.folder() + L"\\Modules"));
  EXPECT_TRUE(bridge_.updateSucceeded);
  const std::string calls = library_.Calls();
  EXPECT_NE(calls.find("update;update;"), std::string::npos) << calls;
}

TEST_F(UpdateEngineTest, ConnectionFailureTriesTheDiscoveredProxiesInOrder) {
  library_.Set("update_result.0", -1);
  library_.Set("update_error.0", 0x9205);
  library_.Set("update_result.1", -1);
  library_.Set("update_error.1", 0xA011);
  library_.Set("update_result.2", 0);
  Open();
  int asked = 0;
  bridge_.discoverProxies = [&] {
    ++asked;
    return std::vector<UpdateProxy>{{L"", 1, L"", L"", L"empty"},
                                    {L"first.proxy", 3128, L"u", L"p", L"first.proxy:3128"},
                                    {L"second.proxy", 8080, L"", L"", L"second.proxy:8080"},
                                    {L"third.proxy", 80, L"", L"", L"third.proxy:80"}};
  };
  bridge_.UpdateEngine();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(bridge_.updateSucceeded);
  const std::string log = library_.Log();
  EXPECT_NE(log.find("Update failed (37381). Trying proxy first.proxy:3128\r\nfinished. ret_update=-1 e_gle=40977\r\n"
                     "Update failed (40977). Trying proxy second.proxy:8080\r\nfinished. ret_update=0 e_gle=0\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("third.proxy"), std::string::npos) << "the first success ends the search";
  EXPECT_EQ(std::wstring(library_.LastSetup().proxy_host), L"second.proxy");
  EXPECT_EQ(library_.LastSetup().proxy_port, 8080u);
}

TEST_F(UpdateEngineTest, ACustomProxyIsUsedAloneEvenWhenItCannotConnect) {
  library_.Set("update_result.0", -1);
  library_.Set("update_error.0", 0x9205);
  bridge_.settings.proxyEnabled = true;
  bridge_.settings.proxyHost = L"my.proxy";
  bridge_.settings.proxyPort = L"8888x";
  bridge_.settings.proxyUserName = L"me";
  bridge_.settings.proxyPassword = L"secret";
  Open();
  int asked = 0;
  bridge_.discoverProxies = [&] {
    ++asked;
    return std::vector<UpdateProxy>{};
  };
  bridge_.UpdateEngine();
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(bridge_.updateFailed);
  const qlxs_global_setup& setup = library_.LastSetup();
  EXPECT_EQ(std::wstring(setup.proxy_host), L"my.proxy");
  EXPECT_EQ(setup.proxy_port, 8888u) << "the port's leading digits";
  EXPECT_EQ(std::wstring(setup.proxy_user), L"me");
  EXPECT_EQ(std::wstring(setup.proxy_password), L"secret");
}

}  // namespace
}  // namespace qws

namespace qws {
namespace {

using AddQuarantine = void (*)(uint32_t, const wchar_t*, const wchar_t*, int);

TEST(Quarantine, ListsDrivePathsAndRestoresOnlyWhatSucceeded) {
  ScriptedLibrary library;
  auto add = reinterpret_cast<AddQuarantine>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW((library.folder() + L"\\qlxs_apiW_a.dll").c_str()),
                     "qlxs_script_add_quarantine")));
  ASSERT_NE(add, nullptr);
  add(1, L"C:\\Users\\me\\bad.exe", L"Win32.Trojan.Test", -1);
  add(2, L"\\\\server\\share\\bad.exe", L"Net.Worm", 0);
  add(3, nullptr, nullptr, 0);  // the library cannot deliver this one
  add(4, L"D:\\deep\\pua.exe", L"", 0);
  CmlLineScanner bridge;
  bridge.settings.antiStealth = true;
  ASSERT_TRUE(bridge.InitEngine(library.folder()));

  bridge.ReadQuarantine();
  ASSERT_EQ(bridge.quarantineEntries().size(), 3u);
  auto& records = bridge.quarantineRecords();
  ASSERT_EQ(records.size(), 2u) << "the network path is listed but not shown";
  EXPECT_EQ(records[0].threatName, L"Win32.Trojan.Test");
  EXPECT_EQ(records[0].entryIndex, 0u);
  EXPECT_EQ(records[1].formerPath, L"D:\\deep\\pua.exe");
  EXPECT_EQ(records[1].threatName, L".");
  EXPECT_EQ(records[1].entryIndex, 2u);
  EXPECT_TRUE(bridge.HasUnrestoredRecord());

  EXPECT_FALSE(bridge.RestoreFromQuarantine(0)) << "the library refused";
  EXPECT_TRUE(bridge.RestoreFromQuarantine(2));
  EXPECT_FALSE(bridge.RestoreFromQuarantine(3)) << "out of range";
  const std::string calls = library.Calls();
  EXPECT_NE(calls.find("restore 1;restore 4;delete 4;"), std::string::npos) << calls;
  EXPECT_EQ(calls.find("delete 1;"), std::string::npos) << "a failed restore keeps the quarantined copy";

  for (auto& record : records) record.restored = true;
  EXPECT_FALSE(bridge.HasUnrestoredRecord());

  library.Set("quarantine_fails", 1);
  bridge.ReadQuarantine();
  EXPECT_TRUE(bridge.quarantineEntries().empty());
  EXPECT_TRUE(bridge.quarantineRecords().empty());
}

}  // namespace
}  // namespace qws
