# Checks deploy/k8s/tiles-job.yaml, as written and as deploy/k8s/apply.sh
# fills it in, with k8s-manifests.mjs: the schemas and types of the
# Kubernetes API come from npm packages installed into WORK (once; the
# registry must be reachable then). Fails, never skips, when it cannot check.
#   cmake -DSOURCE=<repo> -DWORK=<build>/k8s-check -DNODE=<node> -DNPM=<npm> -P K8sManifests.cmake
foreach(v SOURCE WORK NODE NPM)
  if(NOT ${v})
    message(FATAL_ERROR "K8sManifests.cmake: -D${v}= is missing")
  endif()
endforeach()
if(NOT EXISTS "${NODE}" OR NOT EXISTS "${NPM}")
  message(FATAL_ERROR "node and npm are needed to check the Kubernetes manifests (apt-get install nodejs npm)")
endif()

# Exact versions, so that the check is the same on every machine.
set(packages [=[{
  "private": true,
  "type": "module",
  "dependencies": {
    "kubernetes-models": "5.1.0",
    "typescript": "5.9.3",
    "yaml": "2.9.1"
  }
}]=])
file(MAKE_DIRECTORY "${WORK}")
set(stamp "${WORK}/node_modules/.brenvik-installed")
if(EXISTS "${stamp}")
  file(READ "${stamp}" installed)
endif()
if(NOT installed STREQUAL packages)
  file(WRITE "${WORK}/package.json" "${packages}\n")
  execute_process(COMMAND "${NPM}" install --no-audit --no-fund --ignore-scripts --loglevel=error
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "npm install failed in ${WORK} (status ${rc}): the manifests cannot be checked")
  endif()
  file(WRITE "${stamp}" "${packages}")
endif()

# The checker resolves its packages from its own folder.
file(COPY "${CMAKE_CURRENT_LIST_DIR}/k8s-manifests.mjs" DESTINATION "${WORK}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env TILES=2750 STORAGE_CLASS=fast-rwx
                        IMAGE=registry.example.org/team/brenvik:1
                        bash "${SOURCE}/deploy/k8s/apply.sh" tiles --print
                OUTPUT_FILE "${WORK}/filled-in.yaml" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "deploy/k8s/apply.sh tiles --print failed (status ${rc})")
endif()
execute_process(COMMAND "${NODE}" "${WORK}/k8s-manifests.mjs" "${WORK}" "${SOURCE}/deploy/k8s/tiles-job.yaml"
                        "${WORK}/filled-in.yaml:2750"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Kubernetes manifests failed their check (status ${rc})")
endif()
