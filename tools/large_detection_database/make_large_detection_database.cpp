// Writes a detection database of the size the real one reaches (about 2.4 MB of XML, some
// 37,000 file rules) for the benchmark: invented vendors in the schema of the shipped one.
//   make_large_detection_database <output file>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_large_detection_database <output file>\n";
    return 2;
  }
  constexpr int kVendors = 240, kVersions = 4, kFilesPerVersion = 39;
  std::string xml = "\t\t<VENDORS>\r\n";
  char line[512];
  auto add = [&](const char* format, auto... args) {
    std::snprintf(line, sizeof line, format, args...);
    xml += line;
  };
  for (int v = 0; v < kVendors; ++v) {
    add("\t<VENDOR COMPANY=\"Bench Vendor %03d\" ID=\"%d\">\r\n", v, 100 + v);
    for (int r = 1; r <= kVersions; ++r) {
      add("\t\t<VERSION NAME=\"%d.0\" PRODUCT=\"Bench Guard %03d\" ID=\"%d\" WSC_NAME=\"Bench Guard %03d\" DESC=\"Benchmark product\">\r\n",
          r, v, r, v);
      add("\t\t\t<REGS>\r\n");
      add("\t\t\t\t<REG TYPE=\"service\" KEY=\"SYSTEM\\CurrentControlSet\\Services\\BenchSvc%03d\"/>\r\n", v);
      add("\t\t\t\t<REG TYPE=\"local\" KEY=\"SOFTWARE\\Bench Vendor %03d\\Guard\"/>\r\n", v);
      add("\t\t\t\t<REG TYPE=\"base\" KEY=\"SOFTWARE\\Bench Vendor %03d\\Guard\" PROPERTY=\"InstallDir\"/>\r\n", v);
      add("\t\t\t\t<REG TYPE=\"check\" KEY=\"SOFTWARE\\Bench Vendor %03d\\Guard\" PROPERTY=\"Version[0-1]\" VALUE=\"%d.\"/>\r\n", v, r);
      add("\t\t\t\t<REG TYPE=\"app\" KEY=\"SOFTWARE\\Bench Vendor %03d\\Guard\\Settings\"/>\r\n", v);
      add("\t\t\t\t<REG TYPE=\"uninstall\" KEY=\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bench Guard %03d\" PROPERTY=\"DisplayName\"/>\r\n", v);
      add("\t\t\t</REGS>\r\n");
      add("\t\t\t<FILES PATH=\"%%PROGRAM%%\\Bench Vendor %03d\\Guard %d\" BASE=\"yes\" LASTTIME=\"yes\">\r\n", v, r);
      for (int f = 0; f < kFilesPerVersion - 9; ++f) {
        add("\t\t\t\t<FILE NAME=\"mod_%03d_%02d.dll\"%s/>\r\n", v, f, f == 0 ? " LASTTIME=\"yes\"" : "");
      }
      add("\t\t\t\t<FILES PATH=\"Engine\\*\">\r\n");
      for (int f = 0; f < 9; ++f) add("\t\t\t\t\t<FILE NAME=\"engine_%02d.bin\"/>\r\n", f);
      add("\t\t\t\t</FILES>\r\n");
      add("\t\t\t</FILES>\r\n");
      add("\t\t\t<SERVICES>\r\n");
      for (int s = 0; s < 3; ++s) add("\t\t\t\t<SERVICE NAME=\"BenchSvc%03d_%d\"/>\r\n", v, s);
      add("\t\t\t</SERVICES>\r\n");
      add("\t\t\t<STATUS CURRENT=\"and\">\r\n");
      add("\t\t\t\t<CURRENT TYPE=\"service\" NAME=\"BenchSvc%03d_0\" PROPERTY=\"CurrentState\" ON=\"4\" OFF=\"1\"/>\r\n", v);
      add("\t\t\t\t<CURRENT TYPE=\"reg\" KEY=\"SOFTWARE\\Bench Vendor %03d\\Guard\" PROPERTY=\"RealTime|WebGuard\" ON=\"1\" OFF=\"0\"/>\r\n", v);
      add("\t\t\t\t<UPDATE TYPE=\"reg\" KEY=\"SOFTWARE\\Bench Vendor %03d\\Guard\" PROPERTY=\"LastUpdate\" FORMAT=\"yyyymmdd\"/>\r\n", v);
      add("\t\t\t</STATUS>\r\n");
      add("\t\t</VERSION>\r\n");
    }
    add("\t</VENDOR>\r\n");
  }
  xml += "</VENDORS>\r\n";
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(xml.data(), static_cast<std::streamsize>(xml.size()));
  if (!out) {
    std::cerr << "make_large_detection_database: cannot write " << argv[1] << "\n";
    return 1;
  }
  std::cout << "large detection database: " << xml.size() << " bytes, "
            << kVendors * kVersions * kFilesPerVersion << " file rules\n";
  return 0;
}
