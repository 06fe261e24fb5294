// The host's side of the module interface: the lookup function handed to
// activations, the per-spot functions, and the process-wide link from the
// service tables to the one Host that exists.
#pragma once

#include "standin/host/host.h"

namespace standin {

struct HostServicesImpl {
  // Answers a service by name, or null when the host does not offer it.
  static void* Lookup(const char* name, int useMode);
  // The per-spot illuminate function and the ray-trace entry after it.
  static int Illuminate(ItemHandle light, const double position[3],
                        double direction[3], double color[3]);
  static double RayTrace(const double origin[3], const double direction[3],
                         double color[3]);
  // Makes `host` the one the services answer for (null: none). Throws
  // HostError when another host is attached.
  static void Attach(Host* host);
  // Where this thread notes the calls it makes (null: nowhere).
  static void SetTrace(Trace* trace);
  // The spot this thread evaluates (null: none), whose pixel sample the
  // sampled lights draw from.
  static void SetSpot(const HostSpot* spot);
  static HostNode* NodeOf(Host& host, void* instance);
  static HostPanel& NewPanel(Host& host);
};

// Makes `spot` this thread's spot while the scope lasts.
class SpotScope {
 public:
  explicit SpotScope(const HostSpot& spot) { HostServicesImpl::SetSpot(&spot); }
  ~SpotScope() { HostServicesImpl::SetSpot(nullptr); }
  SpotScope(const SpotScope&) = delete;
  SpotScope& operator=(const SpotScope&) = delete;
};

// Notes this thread's host calls in `trace` while the scope lasts, and
// nowhere once it ends, however it ends.
class TraceScope {
 public:
  explicit TraceScope(Trace* trace) { HostServicesImpl::SetTrace(trace); }
  ~TraceScope() { HostServicesImpl::SetTrace(nullptr); }
  TraceScope(const TraceScope&) = delete;
  TraceScope& operator=(const TraceScope&) = delete;
};

}  // namespace standin
