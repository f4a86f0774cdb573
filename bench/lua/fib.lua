-- Twin of the interpreter benchmark's recursive calls: fib(20) ten times (218,910 calls).
-- Prints the best CPU time of one call, in ns.
local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end
local CALLS = 218910
local function run()
  local r, k = 0, 0
  while k < 10 do
    r = r + fib(20)
    k = k + 1
  end
  return r
end
assert(run() == 67650, "fib: wrong result")
local best = math.huge
for _ = 1, tonumber(arg[1] or "1") do
  local t = os.clock()
  run()
  local dt = os.clock() - t
  if dt < best then best = dt end
end
print(string.format("%.3f", best * 1e9 / CALLS))
