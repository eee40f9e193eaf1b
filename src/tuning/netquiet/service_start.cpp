#include "tuning/netquiet/service_start.h"

#include "core/registry.h"

namespace qz::nq {

namespace {
std::string ServiceKeyPath(const ServicesKey& services, const std::string& service) {
  return services.path + "\\" + service;
}
bool IsStartType(int t) { return t == kStartAutomatic || t == kStartManual || t == kStartDisabled; }
}  // namespace

int GetServiceStartType(const ServicesKey& services, const std::string& service) {
  const std::string key = ServiceKeyPath(services, service);
  if (service.empty() || !RegHasKey(services.root, key)) return 0;
  const int t = RegGetInteger(services.root, key, "Start");
  return IsStartType(t) ? t : 0;
}

bool SetServiceStartType(const ServicesKey& services, const std::string& service, int startType) {
  const std::string key = ServiceKeyPath(services, service);
  if (!IsStartType(startType) || service.empty() || !RegHasKey(services.root, key)) return false;
  return RegSetIntegerChecked(services.root, key, "Start", startType);
}

}  // namespace qz::nq
