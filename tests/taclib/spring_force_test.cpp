// The force a spring pulls with at a pointer position, and how devices that
// are told a force follow the pointer and the springs. What a real device is
// told is read at its interface (tests/evdev, tests/dinput).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "follow.h"
#include "spring_force.h"

namespace {

using taclib::Force;
using taclib::SpringForceAt;
using taclib::SpringParams;

constexpr taclib::ScreenSize kScreen{1024, 768};

SpringParams BuiltIn()
{
    SpringParams p;
    p.centreX = 512;
    p.centreY = 384;
    return p; // stiffness 1000, saturation 10000, no dead band, both axes
}

TEST(SpringForce, ThePullAtAPointerFollowsTheUnits)
{
    struct Case {
        const char *what;
        SpringParams p;
        std::int64_t x, y;
        Force expected;
    };
    SpringParams deadband = BuiltIn();
    deadband.deadband = 4;
    SpringParams strong = BuiltIn();
    strong.stiffness = 10000;
    strong.saturation = 2000;
    SpringParams pushing = BuiltIn();
    pushing.stiffness = -2500;
    SpringParams xOnly = BuiltIn();
    xOnly.axes = taclib::kAxisX;
    SpringParams trimmed = BuiltIn();
    trimmed.trimX = 12;
    trimmed.trimY = -16;
    const Case cases[] = {
        {"at the centre", BuiltIn(), 512, 384, {0, 0}},
        // 1000 per half screen: 200 of 384 pixels down, 200 of 512 left.
        {"pulled down", BuiltIn(), 512, 584, {0, -520}},
        {"pulled left", BuiltIn(), 312, 384, {390, 0}},
        {"pulled down and right", BuiltIn(), 712, 584, {-390, -520}},
        {"inside the dead band", deadband, 516, 380, {0, 0}},
        {"beyond the dead band", deadband, 522, 384, {-11, 0}},
        {"held at the saturation", strong, 1000, 0, {-2000, 2000}},
        {"a negative stiffness pushes away", pushing, 412, 384, {-488, 0}},
        {"an axis left out", xOnly, 312, 584, {390, 0}},
        {"the trim moves the centre", trimmed, 524, 368, {0, 0}},
    };
    for (const Case &c : cases) {
        const Force f = SpringForceAt(c.p, c.x, c.y, kScreen);
        EXPECT_EQ(f.x, c.expected.x) << c.what;
        EXPECT_EQ(f.y, c.expected.y) << c.what;
    }
    EXPECT_EQ(SpringForceAt(BuiltIn(), 0, 0, taclib::ScreenSize{0, 0}), Force{});
}

TEST(SpringForce, RumbleIsNoneAtTheCentreAndFullAtTheSaturation)
{
    EXPECT_EQ(taclib::RumbleSpeed(Force{}, 10000), 0);
    EXPECT_EQ(taclib::RumbleSpeed(Force{0, -2000}, 2000), 0xFFFF);
    EXPECT_EQ(taclib::RumbleSpeed(Force{-3000, 4000}, 10000), 0xFFFF / 2);
    EXPECT_EQ(taclib::RumbleSpeed(Force{0, 9000}, 0), 0);
    EXPECT_EQ(taclib::AddForces(Force{9000, -9000}, Force{2000, -2000}), (Force{10000, -10000}));
}

// A device told forces, recording them; it refuses while `refusing` is set.
struct Told : taclib::ForceOutput {
    std::vector<Force> *forces;
    bool *refusing;
    bool Render(Force f, std::uint32_t) override
    {
        forces->push_back(f);
        return !*refusing;
    }
    bool Lost() const override { return false; }
};

using namespace std::chrono_literals;

// The follower driven turn by turn, as its thread would, on a clock the test
// moves.
class Following : public testing::Test {
protected:
    Following()
    {
        auto output = std::make_unique<Told>();
        output->forces = &forces_;
        output->refusing = &refusing_;
        taclib::PointerSource source;
        source.pointer = [this](std::int64_t *x, std::int64_t *y) {
            *x = x_;
            *y = y_;
            return true;
        };
        source.screen = [] { return kScreen; };
        backend_ = std::make_unique<taclib::FollowingBackend>(std::move(output), source,
                                                              [this] { return now_; });
    }

    taclib::EffectId Spring(SpringParams p = BuiltIn())
    {
        taclib::EffectId id = 0;
        EXPECT_TRUE(backend_->CreateSpring(p, &id));
        return id;
    }

    // The pointer at (x, y) when the follower's next turn reads it.
    std::chrono::milliseconds MoveTo(std::int64_t x, std::int64_t y)
    {
        x_ = x;
        y_ = y;
        return backend_->FollowerTurn();
    }

    // Turns of the follower as time passes, each after the sleep the last
    // one asked for, until `span` has passed.
    void Pass(std::chrono::milliseconds span)
    {
        const taclib::FollowClock::time_point end = now_ + span;
        while (now_ < end) {
            const std::chrono::milliseconds left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - now_);
            const std::chrono::milliseconds sleep = backend_->FollowerTurn();
            // Asleep until woken: only the clock moves.
            now_ += sleep.count() < 0 ? left : std::min(sleep, left);
        }
        (void)backend_->FollowerTurn();
    }

    std::vector<Force> forces_;
    bool refusing_ = false;
    std::int64_t x_ = 512, y_ = 584;
    taclib::FollowClock::time_point now_{std::chrono::hours(1)};
    std::unique_ptr<taclib::FollowingBackend> backend_;
};

TEST_F(Following, AGrabAPullAndARelease)
{
    const taclib::EffectId id = Spring();
    EXPECT_EQ(backend_->FollowerTurn(), taclib::FollowingBackend::kUntilWoken);
    EXPECT_TRUE(forces_.empty()) << "a stopped spring is not followed";
    ASSERT_TRUE(backend_->Start(id, BuiltIn(), taclib::StartParams{}));
    EXPECT_TRUE(backend_->Following());
    EXPECT_EQ(MoveTo(512, 684), taclib::FollowingBackend::kPollPeriod);
    (void)MoveTo(512, 684); // unchanged: the device is not told again
    (void)MoveTo(612, 684);
    ASSERT_TRUE(backend_->Stop(id));
    EXPECT_FALSE(backend_->Following());
    EXPECT_EQ(MoveTo(0, 0), taclib::FollowingBackend::kUntilWoken);
    EXPECT_EQ(MoveTo(10, 10),
              taclib::FollowingBackend::kUntilWoken); // nothing plays: nothing is sent
    const std::vector<Force> expected = {{0, -781}, {-195, -781}, {0, 0}};
    EXPECT_EQ(forces_, expected);
}

// Only the latest force reaches the device: moves between two turns (while
// the device was busy with the last call) are never sent.
TEST_F(Following, OnlyTheLatestForceIsSent)
{
    ASSERT_TRUE(backend_->Start(Spring(), BuiltIn(), taclib::StartParams{}));
    x_ = 512;
    for (std::int64_t y = 400; y <= 684; y += 4)
        y_ = y; // the pointer moves with no turn of the follower
    (void)backend_->FollowerTurn();
    EXPECT_EQ(forces_, (std::vector<Force>{{0, -781}}));
}

TEST_F(Following, SpringsAddUpAndASoloStartStopsTheOthers)
{
    const taclib::EffectId a = Spring(), b = Spring();
    taclib::StartParams together;
    ASSERT_TRUE(backend_->Start(a, BuiltIn(), together));
    ASSERT_TRUE(backend_->Start(b, BuiltIn(), together));
    (void)backend_->FollowerTurn();
    EXPECT_EQ(backend_->LastForce(), (Force{0, -1040}));
    taclib::StartParams solo;
    solo.solo = true;
    ASSERT_TRUE(backend_->Start(a, BuiltIn(), solo));
    (void)backend_->FollowerTurn();
    EXPECT_EQ(backend_->LastForce(), (Force{0, -520}));
    // Moving the centre of the playing spring moves its force.
    SpringParams moved = BuiltIn();
    moved.centreY = 584;
    ASSERT_TRUE(backend_->UpdateSpring(a, moved));
    (void)backend_->FollowerTurn();
    EXPECT_EQ(backend_->LastForce(), Force{});
    backend_->Destroy(a);
    EXPECT_FALSE(backend_->Following());
}

TEST_F(Following, ADeviceThatRefusesIsNotToldEveryMoveButTriedAgainAtTheNextStart)
{
    const taclib::EffectId id = Spring();
    refusing_ = true;
    ASSERT_TRUE(backend_->Start(id, BuiltIn(), taclib::StartParams{}));
    for (int y = 600; y < 700; y += 10)
        (void)MoveTo(512, y);
    EXPECT_EQ(forces_.size(), 1u);
    refusing_ = false;
    EXPECT_TRUE(backend_->Start(id, BuiltIn(), taclib::StartParams{}));
    (void)backend_->FollowerTurn();
    EXPECT_EQ(forces_.size(), 2u);
}

// A start with a delay is felt when the delay has passed, not before; a
// spring with a duration ends when its iterations have run.
TEST_F(Following, DelaysAndDurationsFollowTheClock)
{
    SpringParams timed = BuiltIn();
    timed.durationMs = 300;
    taclib::StartParams twice;
    twice.delayMs = 250;
    twice.iterations = 2;
    ASSERT_TRUE(backend_->Start(Spring(timed), timed, twice));
    Pass(249ms);
    EXPECT_EQ(forces_, (std::vector<Force>{{0, 0}})) << "nothing during the delay";
    Pass(2ms);
    EXPECT_EQ(forces_.back(), (Force{0, -520})) << "felt once the delay has passed";
    Pass(597ms); // 250 + 2 x 300 = 850 in all
    EXPECT_EQ(forces_.back(), (Force{0, -520}));
    EXPECT_TRUE(backend_->Following());
    Pass(4ms);
    EXPECT_EQ(forces_.back(), Force{}) << "ended after its two iterations";
    EXPECT_FALSE(backend_->Following());
    EXPECT_EQ(backend_->FollowerTurn(), taclib::FollowingBackend::kUntilWoken);
}

// The pointer is read every 4 ms while it moves, every 8 ms once it has
// rested for 100 ms, and every 4 ms again from its next move or start.
TEST_F(Following, ThePointerIsReadLessOftenWhileItRests)
{
    using taclib::FollowingBackend;
    const taclib::EffectId id = Spring();
    ASSERT_TRUE(backend_->Start(id, BuiltIn(), taclib::StartParams{}));
    EXPECT_EQ(MoveTo(512, 684), FollowingBackend::kPollPeriod);
    now_ += 99ms;
    EXPECT_EQ(MoveTo(512, 684), FollowingBackend::kPollPeriod) << "not yet at rest";
    now_ += 1ms;
    EXPECT_EQ(MoveTo(512, 684), FollowingBackend::kRestPeriod) << "at rest";
    EXPECT_EQ(MoveTo(512, 685), FollowingBackend::kPollPeriod) << "moved";
    now_ += 200ms;
    EXPECT_EQ(MoveTo(512, 685), FollowingBackend::kRestPeriod);
    ASSERT_TRUE(backend_->Start(id, BuiltIn(), taclib::StartParams{}));
    EXPECT_EQ(MoveTo(512, 685), FollowingBackend::kPollPeriod) << "started again";
    EXPECT_EQ(forces_.size(), 2u) << "told at the first turn and at the move only";
}

// A force that lasts is told again every ten seconds (a device's effect has a
// finite length; rumble runs out); a silence is not renewed.
TEST_F(Following, ALastingForceIsRenewedEveryTenSeconds)
{
    const taclib::EffectId id = Spring();
    ASSERT_TRUE(backend_->Start(id, BuiltIn(), taclib::StartParams{}));
    Pass(9999ms);
    EXPECT_EQ(forces_.size(), 1u);
    Pass(2ms);
    EXPECT_EQ(forces_.size(), 2u);
    EXPECT_EQ(forces_.back(), (Force{0, -520}));
    Pass(10s);
    EXPECT_EQ(forces_.size(), 3u);
    (void)MoveTo(512, 384); // at the centre: no force
    Pass(30s);
    EXPECT_EQ(forces_.size(), 4u) << "no force is not renewed";
    EXPECT_EQ(forces_.back(), Force{});
}

} // namespace
