-- Twin of the interpreter benchmark's string building: "x" appended 10,000 times. Prints the
-- best CPU time of one character, in ns.
local N = 10000
local function run()
  local s, n = "", 0
  while n < N do
    s = s .. "x"
    n = n + 1
  end
  return s
end
assert(#run() == N, "concat: wrong length")
local best = math.huge
for _ = 1, tonumber(arg[1] or "1") do
  local t = os.clock()
  run()
  local dt = os.clock() - t
  if dt < best then best = dt end
end
print(string.format("%.3f", best * 1e9 / N))
