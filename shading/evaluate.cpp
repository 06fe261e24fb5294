#include "shading/evaluate.h"

#include "shading/frame.h"
#include "shading/inputs.h"
#include "shading/lobe.h"
#include "shading/node_data.h"

namespace {

void SetOutput(ValueHandle value, const Color& color) {
  const double rgb[3] = {color.r, color.g, color.b};
  gHost.output->setValue(value, rgb);
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle /*output*/,
              ValueHandle value) {
  const NodeData& data = *static_cast<const NodeData*>(instance);
  constexpr Color kBlack{0.0, 0.0, 0.0};

  // A spot the host cannot trace gets no output; a shadow ray gets black.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) return SetOutput(value, kBlack);

  const Color base = ReadColor(data.inColor, spot, data.color);
  const double amount = ReadScalar(data.inSpecular, spot, data.specular);
  if (amount <= 0.0) return SetOutput(value, kBlack);

  ShadingFrame frame;
  LightSelection light;
  if (!BuildShadingFrame(data, spot, &frame, &light))
    return SetOutput(value, kBlack);

  // Summed lobes, scaled by the specular amount, then tinted.
  const Color sum = SumLights(&frame, light, spot);
  SetOutput(value, {(sum.r * amount) * base.r, (sum.g * amount) * base.g,
                    (sum.b * amount) * base.b});
}
