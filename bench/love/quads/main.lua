-- The peer of bench/runner_quads_bench.cpp (scene: bench/quad_scene.h): 10,000 textured 32 x 32
-- quads a frame, one love.graphics.draw each, at the same seeded positions in a 1024 x 768
-- window, the texture's red x/31, green y/31, blue 0.5. `love quads` draws them in full,
-- `love quads one-pixel` within a 1 x 1 scissor at the checked pixel. After 10 warm-up frames it
-- times frames for at least 5 seconds; the last timed frame is captured and its checked pixel
-- must show a quad. It prints one line:
--   ms_per_frame cpu_ms_per_frame frames red,green,blue renderer
-- where cpu_ms_per_frame is the main thread's own CPU time (from /proc/thread-self/schedstat).
-- love.run is replaced only to leave out the default loop's 1 ms sleep a frame, which would
-- otherwise cap the figures.

-- An error ends the program with its message instead of waiting on an error screen.
function love.errorhandler(message)
  io.stderr:write("quads: " .. tostring(message) .. "\n" .. debug.traceback() .. "\n")
end

local kQuads, kWidth, kHeight, kSide = 10000, 1024, 768, 32
local kCheckX, kCheckY = 512, 384
local kWarmUp, kMinSeconds = 10, 5.0

local positions = {}
local image
local onePixel = false

local function seeded()
  -- 32-bit linear congruential sequence; the products stay below 2^53, so doubles hold them exactly.
  local seed = 12345
  return function()
    seed = (seed * 1664525 + 1013904223) % 4294967296
    return math.floor(seed / 256)
  end
end

local function threadCpuSeconds()
  local f = io.open("/proc/thread-self/schedstat", "r")
  if not f then return nil end
  local ns = f:read("*n")
  f:close()
  return ns and ns / 1e9
end

function love.load(args)
  onePixel = args[1] == "one-pixel"
  local next = seeded()
  for i = 1, kQuads do
    positions[2 * i - 1] = next() % (kWidth - kSide)
    positions[2 * i] = next() % (kHeight - kSide)
  end
  local data = love.image.newImageData(kSide, kSide)
  data:mapPixel(function(x, y) return math.floor(x * 255 / 31) / 255, math.floor(y * 255 / 31) / 255, 128 / 255, 1 end)
  image = love.graphics.newImage(data)
end

local function drawFrame()
  love.graphics.origin()
  if onePixel then love.graphics.setScissor(kCheckX, kCheckY, 1, 1) end
  love.graphics.clear(0, 0, 0, 1)
  for i = 1, 2 * kQuads, 2 do love.graphics.draw(image, positions[i], positions[i + 1]) end
end

function love.run()
  love.load(love.arg.parseGameArguments(arg))
  local frames, start, cpuStart, finish, cpuFinish = 0, nil, nil, nil, nil
  local captured
  return function()
    love.event.pump()
    for name in love.event.poll() do
      if name == "quit" then return 1 end
    end
    local last = start ~= nil and love.timer.getTime() - start >= kMinSeconds
    drawFrame()
    if last then
      love.graphics.captureScreenshot(function(shot) captured = {shot:getPixel(kCheckX, kCheckY)} end)
    end
    love.graphics.present()
    frames = frames + 1
    if start == nil and frames == kWarmUp then
      frames, start, cpuStart = 0, love.timer.getTime(), threadCpuSeconds()
    end
    if not last then return nil end
    finish, cpuFinish = love.timer.getTime(), threadCpuSeconds()
    local _, _, _, renderer = love.graphics.getRendererInfo()
    if not captured or math.abs(captured[3] * 255 - 128) > 8 then
      io.stderr:write("the last frame does not show the quads\n")
      return 2
    end
    local cpu = (cpuStart and cpuFinish) and string.format("%.4f", (cpuFinish - cpuStart) * 1000 / frames) or "n/a"
    print(string.format("%.4f %s %d %d,%d,%d %s", (finish - start) * 1000 / frames, cpu, frames,
                        math.floor(captured[1] * 255 + 0.5), math.floor(captured[2] * 255 + 0.5),
                        math.floor(captured[3] * 255 + 0.5), renderer))
    return 0
  end
end
