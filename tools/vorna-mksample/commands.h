// The commands of vorna-mksample that live in their own files. Each runner receives only the
// arguments after the command's name and returns the process status (0 written, 1 write error,
// 2 usage error).
#pragma once

int RunMdmCommand(int argc, char** argv);
int RunNmeaCommand(int argc, char** argv);
int RunJpsCommand(int argc, char** argv);
int RunNdbCommand(int argc, char** argv);
int RunMvwCommand(int argc, char** argv);
int RunDemoCommand(int argc, char** argv);
int RunJpgCommand(int argc, char** argv);
int RunTifCommand(int argc, char** argv);
int RunBmpCommand(int argc, char** argv);

struct SampleCommand {
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

inline constexpr SampleCommand kSampleCommands[] = {
    {"mdm", "mdm OUT.mdm [--lines N --vertices V] [--narrow] [--version 1-3] [--library NAME]",
     RunMdmCommand},
    {"nmea", "nmea OUT.nmea [--seconds N]", RunNmeaCommand},
    {"jps", "jps OUT.jps [--large MB (1-1024)]", RunJpsCommand},
    {"ndb", "ndb --demo FOLDER [--packed] | ndb OUT.ndb --rows N [--seed S] [--packed]",
     RunNdbCommand},
    {"mvw", "mvw OUT.mvw [--grid W H [--seed S] [--removed 0-100] [--oneway 0-100]]",
     RunMvwCommand},
    {"demo", "demo FOLDER", RunDemoCommand},
    {"jpg", "jpg OUT.jpg [--size W H] [--quality Q] [--progressive] [--grey] [--at TOP LEFT SIZE]", RunJpgCommand},
    {"tif", "tif OUT.tif [--size W H] [--tile N] [--jpeg Q] [--reduced MIN] [--at TOP LEFT SIZE]", RunTifCommand},
    {"bmp", "bmp OUT.bmp [--size W H] [--bits 8|24|32] [--at TOP LEFT SIZE]", RunBmpCommand},
};
