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

-- The script library's twins (bench/library_bench.cpp): the same texts, lists and maps, the
-- work done with the nearest Lua means (byte positions: Lua has no character positions).
local function long_text(bytes)
  local parts, n = {}, 0
  while n < bytes do
    parts[#parts + 1] = "lorem ipsum dolor "
    n = n + 18
  end
  return string.sub(table.concat(parts), 1, bytes)
end
local text_100k = long_text(100000)
local text_20k = long_text(20000)
local text_needle = text_100k .. "needle"

-- string_copy of 100 characters at 1,000 positions spread over 100 KB.
local function copy_spread()
  local s
  for k = 0, 999 do
    local at = (k * 7919) % (100000 - 100) + 1
    s = string.sub(text_100k, at, at + 99)
  end
  return #s
end

-- string_char_at of every character of 20,000.
local function char_at_each()
  local c
  for i = 1, 20000 do
    c = string.sub(text_20k, i, i)
  end
  return #c
end

-- string_pos of a needle at the end of 100 KB, 100 times.
local function pos_at_end()
  local at
  for _ = 1, 100 do
    at = string.find(text_needle, "needle", 1, true)
  end
  return at
end

-- Ten-byte pieces appended up to 100 KB, each as an insertion at length + 1.
local function insert_append()
  local s = ""
  for n = 0, 9999 do
    local at = n * 10 + 1
    s = string.sub(s, 1, at - 1) .. "0123456789" .. string.sub(s, at)
  end
  return #s
end

-- 100,000 reals appended to a new list.
local function list_add()
  local t = {}
  for i = 0, 99999 do
    t[#t + 1] = i
  end
  return #t
end

-- 20,000 random reals sorted, ascending (a copy of the same ones each time).
local sort_reals = {}
for i = 1, 20000 do
  sort_reals[i] = math.floor(math.random() * 1000000)
end
local function list_sort()
  local t = {}
  for i = 1, 20000 do
    t[i] = sort_reals[i]
  end
  table.sort(t)
  return #t
end

-- 100,000 lookups by string key.
local map, probes = {}, {}
for i = 0, 99999 do
  map["key" .. i] = i
  probes[i + 1] = "key" .. i
end
local function map_find()
  local v
  for i = 1, 100000 do
    v = map[probes[i]]
  end
  return v
end

-- A name looked up in nine tables of 1,000 names and then found in the tenth (the rooms), as
-- asset_get_index finds a room's name; 100,000 times.
local asset_tables = {}
for k = 1, 9 do
  local names = {}
  for i = 0, 999 do
    names["asset" .. i] = i
  end
  asset_tables[k] = names
end
asset_tables[10] = {__newroom0 = 0, __newroom1 = 1}
local function asset_find(name)
  for k = 1, 10 do
    local index = asset_tables[k][name]
    if index then return index end
  end
  return -1
end
local function asset_get_index()
  local r
  for _ = 1, 100000 do
    r = asset_find("__newroom1")
  end
  return r
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
  string_copy = {run = copy_spread, expect = 100, units = 1000},
  string_char_at = {run = char_at_each, expect = 1, units = 20000},
  string_pos = {run = pos_at_end, expect = 100001, units = 100},
  string_insert = {run = insert_append, expect = 100000, units = 10000},
  list_add = {run = list_add, expect = 100000, units = 100000},
  list_sort = {run = list_sort, expect = 20000, units = 1},
  map_find = {run = map_find, expect = 99999, units = 100000},
  asset_get_index = {run = asset_get_index, expect = 1, units = 100000},
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
