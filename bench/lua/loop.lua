-- Twin of the interpreter benchmark's numeric loop: s = s + i; i = i + 1 with a compare and
-- branch, a million iterations. Prints the best CPU time of one iteration, in ns.
local N = 1000000
local function run()
  local s, i = 0, 0
  while i < N do
    s = s + i
    i = i + 1
  end
  return s
end
assert(run() == 499999500000, "loop: wrong sum")
local best = math.huge
for _ = 1, tonumber(arg[1] or "1") do
  local t = os.clock()
  run()
  local dt = os.clock() - t
  if dt < best then best = dt end
end
print(string.format("%.3f", best * 1e9 / N))
