-- The Lua twins of the interpreter benchmark's programs (bench/interpreter_bench.cpp), in the
-- same shape. Usage: lua twins.lua <loop|fib|concat> [repetitions]. Each is checked once, then
-- timed; prints the best CPU time of one unit of work (an iteration, a call, a character) in ns.

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

local programs = {
  loop = {run = loop, expect = 499999500000, units = 1000000},
  fib = {run = fibs, expect = 67650, units = 218910},
  concat = {run = concat, expect = 10000, units = 10000},
}
local program = assert(programs[arg[1]], "usage: twins.lua <loop|fib|concat> [repetitions]")
assert(program.run() == program.expect, arg[1] .. ": wrong result")
local best = math.huge
for _ = 1, tonumber(arg[2] or "1") do
  local t = os.clock()
  program.run()
  local dt = os.clock() - t
  if dt < best then best = dt end
end
print(string.format("%.3f", best * 1e9 / program.units))
