// The entry points of a statically linked plug-in (tests link yoxcore directly).
#pragma once

#include "host/PluginApi.h"
#include "plugin/qivlib.h"

namespace yoxhost {

inline PluginApi linkedPlugin() {
  PluginApi api;
  api.init = &qivlib_Init;
  api.help = &qivlib_Help;
  api.apmName = static_cast<const char* (*)(int)>(&qivlib_apmInfo);
  api.apmIndex = static_cast<int (*)(const char*)>(&qivlib_apmInfo);
  api.apmCreate = &qivlib_apmCreate;
  api.tcmName = static_cast<const char* (*)(int)>(&qivlib_tcmInfo);
  api.tcmIndex = static_cast<int (*)(const char*)>(&qivlib_tcmInfo);
  api.tcmCreate = &qivlib_tcmCreate;
  api.regApm = &reg_APM;
  api.regTcm = &reg_TCM;
  return api;
}

}  // namespace yoxhost
