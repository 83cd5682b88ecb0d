/*
** zavproc.h
**   Programs run as subprocesses by the tests: one way of starting a child
**   (arguments, environment, directory, standard input, where its output
**   goes, its own process group, another user) and of running one to its
**   end with its output collected; the sample instance built for a suite.
**   The tests that run db2zav, db2zavkey, the sample builder or a tool of
**   the system go through here.
*/
#ifndef ZAV_TESTS_ZAVPROC_H
#define ZAV_TESTS_ZAVPROC_H

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

/* How a child is started. */
struct zavprocSpec {
  std::vector<std::string> vArgv;   /* the arguments, program first */
  std::string strPath;              /* the file run; empty: vArgv[0] */
  bool boSearchPath = false;        /* look the program up in PATH (execvp) */
  /* exactly this environment when boExactEnv, else this process's with these entries set on top */
  std::map<std::string, std::string> mEnv;
  bool boExactEnv = true;
  std::string strCwd;               /* directory to run in; empty: this one */
  std::string strInputFile;         /* standard input from this file; empty: /dev/null */
  std::string strOutFile;           /* standard output and error into this file (made anew); empty: a pipe */
  bool boNewGroup = false;          /* the child leads a process group of its own */
  uid_t uid = static_cast<uid_t>(-1);   /* run as uid/gid (no supplementary groups) when not -1 */
  gid_t gid = static_cast<gid_t>(-1);
};

/* What a run to its end gave. */
struct zavprocResult {
  int iStatus = -1;      /* exit status, -1 when the program did not exit */
  std::string strOut;    /* standard output and standard error together (or apart: strErr) */
  std::string strErr;    /* standard error, when kept apart */
};

/*
** zavprocSpawn
**   Forks and runs the child described by spec; its standard output goes to
**   iOutFd and its standard error to iErrFd (both -1: spec.strOutFile).  A
**   child that cannot change user or directory exits 126, one that cannot
**   run the program 127.  Returns the child's pid, -1 when fork fails.
*/
inline pid_t zavprocSpawn(const zavprocSpec &spec, int iOutFd = -1, int iErrFd = -1)
{
  std::vector<std::string> vArgs = spec.vArgv, vEnv;
  for (const auto &[k, v] : spec.mEnv) vEnv.push_back(k + "=" + v);
  std::vector<char *> vpcArgv, vpcEnv;
  for (auto &s : vArgs) vpcArgv.push_back(s.data());
  vpcArgv.push_back(nullptr);
  for (auto &s : vEnv) vpcEnv.push_back(s.data());
  vpcEnv.push_back(nullptr);
  std::string strPath = spec.strPath.empty() && !vArgs.empty() ? vArgs[0] : spec.strPath;

  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  if (spec.boNewGroup) setpgid(0, 0);
  if (iOutFd < 0 && iErrFd < 0 && !spec.strOutFile.empty()) {
    int iFd = open(spec.strOutFile.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (iFd >= 0) {
      dup2(iFd, 1);
      dup2(iFd, 2);
      close(iFd);
    }
  } else {
    if (iOutFd >= 0) dup2(iOutFd, 1);
    if (iErrFd >= 0) dup2(iErrFd, 2);
  }
  int iIn = open(spec.strInputFile.empty() ? "/dev/null" : spec.strInputFile.c_str(), O_RDONLY);
  if (iIn >= 0) dup2(iIn, 0);
  if (spec.uid != static_cast<uid_t>(-1)) {
    if (setgroups(0, nullptr) != 0 || setgid(spec.gid) != 0 || setuid(spec.uid) != 0) _exit(126);
  }
  if (!spec.strCwd.empty() && chdir(spec.strCwd.c_str()) != 0) _exit(126);
  if (!spec.boExactEnv) {
    for (const auto &[k, v] : spec.mEnv) setenv(k.c_str(), v.c_str(), 1);
    if (spec.boSearchPath)
      execvp(strPath.c_str(), vpcArgv.data());
    else
      execv(strPath.c_str(), vpcArgv.data());
  } else if (spec.boSearchPath) {
    execvpe(strPath.c_str(), vpcArgv.data(), vpcEnv.data());
  } else {
    execve(strPath.c_str(), vpcArgv.data(), vpcEnv.data());
  }
  _exit(127);
}

/* Reads a descriptor to its end into str. */
inline void zavprocReadAll(int iFd, std::string &str)
{
  char ac[4096];
  ssize_t l;
  while ((l = read(iFd, ac, sizeof ac)) > 0) str.append(ac, static_cast<size_t>(l));
}

/*
** zavprocRun
**   Runs the child to its end: standard output and error together into
**   strOut, or, with boErrApart, standard error into strErr (read after the
**   output: for small outputs).  iStatus -1 when a pipe cannot be made or
**   the child did not exit.
*/
inline zavprocResult zavprocRun(const zavprocSpec &spec, bool boErrApart = false)
{
  zavprocResult r;
  int aiOut[2], aiErr[2] = {-1, -1};
  if (pipe(aiOut) != 0) {
    r.strOut = "pipe";
    return r;
  }
  if (boErrApart && pipe(aiErr) != 0) {
    close(aiOut[0]);
    close(aiOut[1]);
    r.strOut = "pipe";
    return r;
  }
  /* the program keeps only its standard output and error of the pipes */
  for (int iFd : {aiOut[0], aiOut[1], aiErr[0], aiErr[1]})
    if (iFd >= 0) fcntl(iFd, F_SETFD, FD_CLOEXEC);
  pid_t pid = zavprocSpawn(spec, aiOut[1], boErrApart ? aiErr[1] : aiOut[1]);
  close(aiOut[1]);
  if (boErrApart) close(aiErr[1]);
  if (pid < 0) {
    close(aiOut[0]);
    if (boErrApart) close(aiErr[0]);
    return r;
  }
  zavprocReadAll(aiOut[0], r.strOut);
  close(aiOut[0]);
  if (boErrApart) {
    zavprocReadAll(aiErr[0], r.strErr);
    close(aiErr[0]);
  }
  int iStatus = 0;
  waitpid(pid, &iStatus, 0);
  r.iStatus = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
  return r;
}

/*
** zavprocRunSampleJob
**   Runs the built program as "db2zav -f job.ctl" (then vMore) in strCwd on
**   the sample instance whose home is strHome, with the installation
**   strTop, in a bare environment: PATH, LANG=C, TOPZAV, ZAVDB2_INSTHOME,
**   DB2INSTANCE=zavinst and ASAN_OPTIONS=strAsan.  Output as zavprocRun.
*/
inline zavprocResult zavprocRunSampleJob(const std::string &strCwd, const std::string &strTop,
                                         const std::string &strHome, const std::string &strAsan,
                                         const std::vector<std::string> &vMore = {})
{
  zavprocSpec spec;
  spec.vArgv = {ZAV_BINARY_DIR "/driver/db2zav", "-f", "job.ctl"};
  spec.vArgv.insert(spec.vArgv.end(), vMore.begin(), vMore.end());
  spec.mEnv = {{"PATH", "/usr/bin:/bin"}, {"LANG", "C"},     {"TOPZAV", strTop},
               {"ZAVDB2_INSTHOME", strHome}, {"DB2INSTANCE", "zavinst"}, {"ASAN_OPTIONS", strAsan}};
  spec.strCwd = strCwd;
  return zavprocRun(spec);
}

/*
** zavprocBuildSample
**   Builds the sample instance into a new directory made from pcTemplate
**   (mkdtemp form): the instance in <dir>/sample, no message catalogue
**   (<dir>/nomsg).  With boOnline, <dir>/online is a second installation
**   whose configuration selects the online reader.  Returns the directory,
**   or "" when the directory or the instance could not be made.
*/
inline std::string zavprocBuildSample(const char *pcTemplate, bool boOnline)
{
  std::string strDir(pcTemplate);
  if (mkdtemp(strDir.data()) == nullptr) return "";
  std::string strCmd = std::string(ZAV_BINARY_DIR "/tools/zavsample ") + strDir + "/sample " + strDir +
                       "/nomsg " ZAV_BINARY_DIR "/driver/db2zav >/dev/null 2>&1";
  if (std::system(strCmd.c_str()) != 0) {
    std::error_code ec;
    std::filesystem::remove_all(strDir, ec);
    return "";
  }
  if (boOnline) {
    std::filesystem::copy(strDir + "/sample/topzav", strDir + "/online",
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
    std::ofstream(strDir + "/online/cfg/db2zav.cfg", std::ios::app) << "ptk001=1\n";
  }
  return strDir;
}

/*
** zavprocWaitOrKill
**   Waits at most iMs milliseconds for the spawned process pid to end.
**   Returns true with its wait status in *piStatus; false when it did not
**   end, after its whole group was killed and the process reaped.
*/
inline bool zavprocWaitOrKill(pid_t pid, int iMs, int *piStatus)
{
  for (int i = 0; i < iMs / 10; i++) {
    if (waitpid(pid, piStatus, WNOHANG) == pid) return true;
    usleep(10000);
  }
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

#endif
