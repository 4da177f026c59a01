#include "base/endpoints.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qws {
namespace {

// The variable set, or removed for null; the C runtime of Windows has no setenv.
void SetServerVariable(const char* value) {
#ifdef _WIN32
  _putenv_s("QWS_SERVER", value ? value : "");
#else
  if (value)
    setenv("QWS_SERVER", value, 1);
  else
    unsetenv("QWS_SERVER");
#endif
}

TEST(ServerOverride, TakesHostAndPortAndRefusesAnythingElse) {
  struct Case {
    const char* text;
    bool taken;
    const char16_t* host;
    unsigned port;
  };
  const Case cases[] = {
      {"127.0.0.1:8080", true, u"127.0.0.1", 8080},
      {"update-test.example:65535", true, u"update-test.example", 65535},
      {"localhost:1", true, u"localhost", 1},
      {"127.0.0.1", false, u"", 0},
      {":8080", false, u"", 0},
      {"host:", false, u"", 0},
      {"host:0", false, u"", 0},
      {"host:65536", false, u"", 0},
      {"host:123456", false, u"", 0},
      {"host:80x", false, u"", 0},
      {"ho/st:80", false, u"", 0},
      {"host@evil:80", false, u"", 0},
      {"", false, u"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ServerAddress address{u"kept", 80};
    EXPECT_EQ(ParseServerOverride(c.text, address), c.taken);
    EXPECT_EQ(address.host, c.taken ? std::u16string(c.host) : std::u16string(u"kept"));
    EXPECT_EQ(address.port, c.taken ? c.port : 80u);
  }
}

TEST(ServerOverride, ReplacesEveryEndpointInUrls) {
  constexpr Endpoint built = {u"198.51.100.7", 80};
  SetServerVariable(nullptr);
  EXPECT_EQ(EndpointUrl(built, u"/a"), u"http://198.51.100.7/a");
  SetServerVariable("127.0.0.1:9000");
  EXPECT_EQ(EndpointUrl(built, u"/a"), u"http://127.0.0.1:9000/a");
  SetServerVariable("not a server");
  EXPECT_EQ(EndpointUrl(built, u"/a"), u"http://198.51.100.7/a");
  SetServerVariable(nullptr);
}

}  // namespace
}  // namespace qws
