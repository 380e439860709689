# DEMO connector script, shipped only in demo and test builds.
# The real Quillmesh Connector script replaces this file in a release build
# (configure with -DQUILLMESH_CONNECTOR_SCRIPT=<path>).
print("Quillmesh Connector demo script: nothing to connect.")
