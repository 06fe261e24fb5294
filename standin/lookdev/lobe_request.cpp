#include "standin/lookdev/lobe_request.h"

#include <memory>

#include "standin/lookdev/probe_setup.h"

namespace standin::lookdev {
namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

std::string TitleOf(const LobeRequest& r) {
  std::string title = r.scene ? r.sceneName + ", pixel " + std::to_string(r.pixelX) + "," +
                                    std::to_string(r.pixelY)
                              : std::string("eval spot");
  return title + (r.settings.empty() ? "" : "; " + Joined(r.settings));
}

}  // namespace

LobeResult PlotLobe(Host& host, const LobeRequest& request) {
  const std::vector<CaseSetting> base = ParseSettings(request.settings);
  std::unique_ptr<ProbeSetup> setup =
      request.scene ? std::make_unique<ProbeSetup>(host, *request.scene, request.sceneName,
                                                   request.pixelX, request.pixelY,
                                                   request.width, request.height)
                    : std::make_unique<ProbeSetup>(host);
  // The node as given, then one node per overlaid value.
  std::vector<std::pair<std::string, LobeProbe>> probes;
  const ProbeNode first = setup->AddNode(base);
  probes.emplace_back(request.settings.empty() ? "as given" : "as given: " + Joined(request.settings),
                      setup->Probe(first));
  for (const std::string& value : request.overlayValues) {
    const std::string pair = request.overlayKey + "=" + value;
    std::vector<CaseSetting> settings = base;
    for (const CaseSetting& s : ParseSettings({pair})) settings.push_back(s);
    probes.emplace_back(pair, setup->Probe(setup->AddNode(settings)));
  }
  LobeResult result;
  const FrameHints hints = HintsAt(first, setup->spot());
  result.samples = SampleLobe(probes, hints, request.options);
  result.samples.title = TitleOf(request);
  if (request.reportGrid > 0)
    result.report = CosineIntegral(probes.front().second, result.samples.axes,
                                   request.reportGrid, request.options.threads);
  return result;
}

}  // namespace standin::lookdev
