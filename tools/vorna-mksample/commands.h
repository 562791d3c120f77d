// The commands of vorna-mksample that live in their own files. Each runner receives only the
// arguments after the command's name and returns the process status (0 written, 1 write error,
// 2 usage error).
#pragma once

int RunMdmCommand(int argc, char** argv);

struct SampleCommand {
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

inline constexpr SampleCommand kSampleCommands[] = {
    {"mdm", "mdm OUT.mdm [--lines N --vertices V] [--narrow] [--version 1-3] [--library NAME]",
     RunMdmCommand},
};
