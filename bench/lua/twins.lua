-- The Lua twins of the interpreter benchmark's programs (bench/interpreter_bench.cpp), in the
-- same shape. Usage: lua twins.lua <program> [repetitions], the programs listed at the end. Each
-- is checked once, then timed; prints the best CPU time of one unit of work (an iteration, a call,
-- a character, an instance visited, an event) in ns.

-- s = s + i; i = i + 1 with a compare and branch, a million iterations.
local function loop()
  local s, i = 0, 0
  while i < 1000000 do
    s = s + i
    i = i + 1
  end
  return s
end

local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end

-- fib(20) ten times: 218,910 calls.
local function fibs()
  local r, k = 0, 0
  while k < 10 do
    r = r + fib(20)
    k = k + 1
  end
  return r
end

-- "x" appended 10,000 times.
local function concat()
  local s, n = "", 0
  while n < 10000 do
    s = s .. "x"
    n = n + 1
  end
  return #s
end

-- The loop with its bound in a local.
local function loop_local()
  local s, i, n = 0, 0, 1000000
  while i < n do
    s = s + i
    i = i + 1
  end
  return s
end

-- The loop over two globals.
local function loop_globals()
  GS, GI = 0, 0
  while GI < 1000000 do
    GS = GS + GI
    GI = GI + 1
  end
  return GS
end

-- 1,000 instances, as tables of their variables.
local things = {}
for k = 1, 1000 do
  things[k] = {px = 0, py = 0, vx = 0, vy = 0, hp = 0}
end

-- with (thing) { px = px + 1; py = py + px }, a hundred times over the 1,000.
local function with_all()
  for _ = 1, 100 do
    for k = 1, #things do
      local self = things[k]
      self.px = self.px + 1
      self.py = self.py + self.px
    end
  end
  return 0
end

-- The event of ten statements, called on each of the 1,000 instances, a hundred times.
local function event(self)
  self.px = self.px + 1
  self.py = self.py + self.px
  self.vx = self.px * 2
  self.vy = self.vx - self.py
  self.hp = self.vy + 3
  self.vx = self.hp + self.vx
  self.px = self.px - 1
  self.py = self.py - self.hp
  self.hp = self.vy * self.vx
  self.vy = 0
end
local function events()
  for _ = 1, 100 do
    for k = 1, #things do
      event(things[k])
    end
  end
  return 0
end

-- A built-in (point_distance, a function of the host) and a script called in each iteration.
local sqrt = math.sqrt
local function point_distance(x1, y1, x2, y2)
  local dx, dy = x2 - x1, y2 - y1
  return sqrt(dx * dx + dy * dy)
end
local function add1(a)
  return a + 1
end
local function calls()
  local d, i = 0, 0
  while i < 100000 do
    d = d + point_distance(0, 0, i, i) + add1(i)
    i = i + 1
  end
  return d
end
local calls_expect = 0
for i = 0, 99999 do
  calls_expect = calls_expect + sqrt(2 * i * i) + (i + 1)
end

local programs = {
  loop = {run = loop, expect = 499999500000, units = 1000000},
  fib = {run = fibs, expect = 67650, units = 218910},
  concat = {run = concat, expect = 10000, units = 10000},
  loop_local = {run = loop_local, expect = 499999500000, units = 1000000},
  loop_globals = {run = loop_globals, expect = 499999500000, units = 1000000},
  with = {run = with_all, expect = 0, units = 100000},
  event = {run = events, expect = 0, units = 100000},
  calls = {run = calls, expect = calls_expect, units = 100000},
}
local program = assert(programs[arg[1]], "usage: twins.lua <program> [repetitions]")
assert(program.run() == program.expect, arg[1] .. ": wrong result")
local best = math.huge
for _ = 1, tonumber(arg[2] or "1") do
  local t = os.clock()
  program.run()
  local dt = os.clock() - t
  if dt < best then best = dt end
end
print(string.format("%.3f", best * 1e9 / program.units))
