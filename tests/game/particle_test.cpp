// Particles: set up by their Create event, drawn 32 times shrinking and fading, then gone.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "lumbrix/flow.h"
#include "level_flow.h"
#include "lumbrix_world.h"
#include "world/commands.h"

namespace {

using namespace lumbrix;

class ParticleTest : public LevelFlowTest {};

TEST_F(ParticleTest, AParticleIsDrawn32TimesShrinkingAndFadingThenDestroyed) {
  IntoLevel({{0, 100, 400}});
  const int32_t id = F_InstanceCreate(150.0f, 400.0f, kObParticle);
  EXPECT_EQ(Num(id, "timer"), 30);
  EXPECT_EQ(Num(id, "timerLength"), 30);
  Write(id, "sprite_index", 14);
  Write(id, "image_angle", 90);
  Write(id, "image_blend", 0x2020FF);
  Write(id, "image_alpha", 0.5);  // a trail particle
  CallLog().clear();
  int32_t draws = 0;
  for (; draws < 40 && Instance_Find(id) != nullptr && !Instance_Find(id)->marked; ++draws) {
    const double f = (30.0 - draws) / 30.0;
    Ask(tll_Script_ob_particle_draw, {static_cast<double>(id)});
    const std::vector<std::string> lines = Calls("draw_sprite_ext");
    ASSERT_EQ(lines.size(), static_cast<size_t>(draws + 1));
    std::istringstream in(lines.back());
    std::string name;
    double sprite, frame, x, y, xs, ys, angle, colour, alpha;
    in >> name >> sprite >> frame >> x >> y >> xs >> ys >> angle >> colour >> alpha;
    EXPECT_EQ(sprite, 14);
    EXPECT_EQ(x, 150);
    EXPECT_NEAR(xs, f, 1e-6) << draws;
    EXPECT_NEAR(ys, f, 1e-6);
    EXPECT_EQ(angle, 90);
    EXPECT_EQ(colour, 0x2020FF);
    EXPECT_NEAR(alpha, 0.5 * f, 1e-6) << draws;
  }
  EXPECT_EQ(draws, 32);
  const std::string last = Calls("draw_sprite_ext").back();
  EXPECT_NE(last.find(" -0.0333"), std::string::npos) << last;
}

}  // namespace
