// Job scripts for a Slurm cluster: a job array whose task K runs chunk K of
// the table, and a collect job started after all of them have ended.
#include <string>

#include "grid/grid.hpp"

namespace velkaro::grid {

namespace {

// A word for the shell, in single quotes.
std::string sh(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ages_option(const std::vector<std::string>& ages) {
    if (ages.empty()) return "";
    std::string a;
    for (std::size_t i = 0; i < ages.size(); ++i) a += (i ? "," : "") + ages[i];
    return " --ages " + sh(a);
}

std::string header(const SlurmOptions& o, const std::string& name, const std::string& log) {
    std::string s = "#!/bin/bash\n#SBATCH --job-name=" + name + "\n";
    if (!o.partition.empty()) s += "#SBATCH --partition=" + o.partition + "\n";
    if (!o.time.empty()) s += "#SBATCH --time=" + o.time + "\n";
    s += "#SBATCH --output=" + (fs::absolute(o.outdir) / "slurm" / log).lexically_normal().string() + "\n";
    return s;
}

}  // namespace

std::pair<std::string, std::string> slurm_scripts(const SlurmOptions& o) {
    const std::string prog = sh(fs::absolute(o.program).lexically_normal().string());
    const std::string table = sh(fs::absolute(o.table).lexically_normal().string());
    const std::string out = sh(fs::absolute(o.outdir).lexically_normal().string());
    const std::string tasks = std::to_string(o.tasks), cpus = std::to_string(o.cpus);

    std::string run = header(o, "velkaro-grid", "run-%A_%a.out");
    run += "#SBATCH --array=1-" + tasks + "\n";
    run += "#SBATCH --ntasks=1\n#SBATCH --cpus-per-task=" + cpus + "\n\n";
    run += "# Task K of " + tasks + " runs the planets whose number n has (n-1) % " + tasks +
           " == K-1; finished planets are skipped, so a resubmitted array only does what is left.\n";
    run += "exec " + prog + " run " + table + " " + out;
    if (!o.base.empty()) run += " --base " + sh(fs::absolute(o.base).lexically_normal().string());
    run += " --jobs \"${SLURM_CPUS_PER_TASK:-" + cpus + "}\" --chunk \"${SLURM_ARRAY_TASK_ID}/" + tasks + "\"" +
           ages_option(o.ages) + (o.full_console ? " --console full" : "") + "\n";

    std::string collect = header(o, "velkaro-grid-collect", "collect-%j.out");
    collect += "#SBATCH --ntasks=1\n#SBATCH --cpus-per-task=1\n\n";
    collect += "exec " + prog + " collect " + out + ages_option(o.ages) + "\n";
    return {run, collect};
}

}  // namespace velkaro::grid
